#include "tests/marks/SampleRecords.h"

#include <cstdio>

namespace veldrant::marks::test {
namespace {

std::string Format(const char* format, int a, int b, int c) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, a, b, c);
    return buf;
}

std::string Stamp(const sim::SampleMark& m) {
    return Format("%04d%02d%02d", m.year, m.month, m.day) + "_" +
           Format("%02d%02d%02d", m.hour, m.minute, m.second);
}

std::string Degrees(int32_t units) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.6f", units / 600000.0);
    return buf;
}

const Record kTitles = {
    "GCID", "Golf Course name",     "CID",           "Course name", "Hole No", "Date",
    "time", "Shot (s) or Putt (p)", "Additional No", "Longitude",   "Latitude"};

bool SameDay(const sim::SampleMark& a, int year, int month, int day) {
    return a.year == year && a.month == month && a.day == day;
}

void AppendCard(std::vector<Record>& out, const sim::SampleScore& card) {
    for (size_t p = 0; p < 4; ++p) {
        const sim::SamplePlayer& player = card.players[p];
        if (player.tag.empty())
            continue;  // the sample's empty slots have no strokes either
        for (int nine = 0; nine < 2; ++nine) {
            Record r = {player.tag, std::to_string(nine == 0 ? card.frontWord : card.backWord)};
            for (int h = nine * 9; h < nine * 9 + 9; ++h) {
                r.push_back(std::to_string(player.strokes[size_t(h)]));
                r.push_back(p == 0 ? std::to_string(player.putts[size_t(h)]) : "0");
            }
            out.push_back(r);
        }
    }
}

}  // namespace

std::vector<Record> ExpectedSetRecords(const std::vector<sim::SampleMark>& marks,
                                       const std::vector<sim::SampleScore>* scores) {
    std::vector<Record> out;
    if (marks.empty())
        return out;
    std::vector<bool> gaveScoreLine(scores ? scores->size() : 0, false);
    auto scoreSection = [&](const sim::SampleMark& first, uint16_t gcid) {
        if (!scores)
            return;
        bool written = false;
        for (size_t k = 0; k < scores->size(); ++k) {
            const sim::SampleScore& card = (*scores)[k];
            if (!SameDay(first, card.year, card.month, card.day) || card.gcid != gcid)
                continue;
            if (!written && !gaveScoreLine[k]) {
                gaveScoreLine[k] = true;
                written = true;
                out.push_back(
                    {"SCORE", Format("%02d:%02d:%02d", first.hour, first.minute, first.second)});
            }
            AppendCard(out, card);
        }
    };
    out.push_back({"KVT2700"});
    size_t firstOfSession = 0;
    int session = 1;
    for (size_t i = 0; i < marks.size(); ++i) {
        const sim::SampleMark& m = marks[i];
        const sim::SampleMark& first = marks[firstOfSession];
        if (i == 0 || !SameDay(m, first.year, first.month, first.day) ||
            m.gcid != marks[i - 1].gcid) {
            if (i > 0)
                scoreSection(first, marks[i - 1].gcid);
            firstOfSession = i;
            out.push_back({"SESSION" + std::to_string(session++), Stamp(m), m.golfCourseName});
            out.push_back({"MRK"});
            out.push_back(kTitles);
        }
        out.push_back({std::to_string(m.gcid), m.golfCourseName, std::to_string(m.cid),
                       m.courseName, std::to_string(m.hole),
                       Format("%04d-%02d-%02d", m.year, m.month, m.day),
                       Format("%02d:%02d:%02d", m.hour, m.minute, m.second), m.putt ? "p" : "s",
                       "1", Degrees(m.longitude), Degrees(m.latitude)});
    }
    scoreSection(marks[firstOfSession], marks.back().gcid);
    return out;
}

std::vector<Record> ExpectedFileRecords(const sim::MarkSample& sample, bool withScores) {
    std::vector<Record> out;
    for (const auto& set : sample.sets) {
        std::vector<Record> part = ExpectedSetRecords(set, withScores ? &sample.scores : nullptr);
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

}  // namespace veldrant::marks::test
