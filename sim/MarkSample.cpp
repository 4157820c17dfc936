#include "sim/MarkSample.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "platform/CodePage.h"
#include "platform/File.h"

namespace veldrant::sim {
namespace {

struct GolfCourse {
    uint16_t gcid;
    const char* name;
    const char* courses[2];  // front nine, back nine
    double latitude, longitude;
};

// Places in Japan, coordinates of the clubhouse.
const GolfCourse kCourses[] = {
    {1021, "富士見ヶ丘カントリー倶楽部", {"東コース", "西コース"}, 35.3012, 138.9341},
    {2310, "那須髙原ゴルフクラブ", {"ＯＵＴ", "ＩＮ"}, 37.0693, 140.0214},
    {3477, "琵琶湖レイクサイドＧＣ", {"湖コース", "森コース"}, 35.1826, 136.0517},
    {4102, "霞ヶ浦国際ゴルフ場", {"表コース", "裏コース"}, 36.0458, 140.3812},
};

constexpr int kPar[18] = {4, 4, 3, 5, 4, 4, 3, 4, 5, 4, 3, 4, 5, 4, 4, 3, 5, 4};
constexpr double kUnits = 600000.0;

class Rounds {
public:
    explicit Rounds(uint32_t seed) : rng_(seed) {}

    int Pick(int n) { return static_cast<int>(rng_() % static_cast<uint32_t>(n)); }

    // Plays holes [first, first + count) of `course`, starting at hh:mm; appends the marks and
    // returns player 1's strokes and putts per hole.
    SamplePlayer Play(const GolfCourse& course, int year, int month, int day, int hour, int minute,
                      int first, int count, std::vector<SampleMark>& marks);

private:
    std::mt19937 rng_;
};

SamplePlayer Rounds::Play(const GolfCourse& course, int year, int month, int day, int hour,
                          int minute, int first, int count, std::vector<SampleMark>& marks) {
    SamplePlayer me;
    int clock = hour * 3600 + minute * 60 + Pick(50);
    for (int h = first; h < first + count; ++h) {
        int putts = 1 + Pick(3) / 2 + (Pick(6) == 0);
        int strokes = std::max(kPar[h] - 1 + Pick(4), putts + 1);
        me.strokes[static_cast<size_t>(h)] = static_cast<uint8_t>(strokes);
        me.putts[static_cast<size_t>(h)] = static_cast<uint8_t>(putts);
        // Tee and green of the hole, laid out around the clubhouse (a degree of latitude is
        // about 111 km; a hole runs 150 to 500 m).
        double angle = h * 0.35;
        double teeLat = course.latitude + 0.004 * std::sin(angle);
        double teeLon = course.longitude + 0.005 * std::cos(angle);
        double length = (kPar[h] == 3 ? 0.0015 : kPar[h] == 4 ? 0.0033 : 0.0045);
        double greenLat = teeLat + length * std::cos(angle + 1.2);
        double greenLon = teeLon + length * 1.2 * std::sin(angle + 1.2);
        for (int s = 0; s < strokes; ++s) {
            SampleMark m;
            m.year = year, m.month = month, m.day = day;
            m.hour = clock / 3600, m.minute = clock / 60 % 60, m.second = clock % 60;
            m.gcid = course.gcid;
            m.cid = h < 9 ? 0 : 1;
            m.hole = h + 1;
            m.putt = s >= strokes - putts;
            double t = m.putt ? 1.0 : static_cast<double>(s) / (strokes - putts);
            double jitter = m.putt ? 0.00004 : 0.0002;
            double lat = teeLat + (greenLat - teeLat) * t + jitter * (Pick(201) - 100) / 100.0;
            double lon = greenLon * t + teeLon * (1 - t) + jitter * (Pick(201) - 100) / 100.0;
            m.latitude = static_cast<int32_t>(std::lround(lat * kUnits));
            m.longitude = static_cast<int32_t>(std::lround(lon * kUnits));
            m.golfCourseName = course.name;
            m.courseName = course.courses[m.cid];
            clock += m.putt ? 30 + Pick(40) : 120 + Pick(150);
            marks.push_back(std::move(m));
        }
        clock += 240 + Pick(180);  // walk to the next tee
    }
    return me;
}

SamplePlayer Partner(Rounds& rounds, const char* tag) {
    SamplePlayer p;
    p.tag = tag;
    for (size_t h = 0; h < 18; ++h)
        p.strokes[h] = static_cast<uint8_t>(kPar[h] + rounds.Pick(4));
    return p;
}

SampleScore Card(int year, int month, int day, const GolfCourse& course, SamplePlayer me) {
    SampleScore s;
    s.year = year, s.month = month, s.day = day;
    s.gcid = course.gcid;
    s.frontWord = 0;  // the courses played on each nine
    s.backWord = 1;
    me.tag = "YT";
    s.players[0] = me;
    return s;
}

void PutLe(uint8_t* p, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

void PutName(uint8_t* p, const std::string& utf8) {
    std::string cp = platform::Utf8ToCp932(utf8);
    std::memcpy(p, cp.data(), std::min<size_t>(cp.size(), 50));
}

}  // namespace

MarkSample GenerateMarkSample(uint32_t seed) {
    Rounds rounds(seed);
    MarkSample sample;
    sample.sets.resize(2);
    auto& first = sample.sets[0];
    auto& second = sample.sets[1];

    // Set 0: a full round on 3 May; on 4 May a morning round and nine holes elsewhere after
    // lunch.
    SampleScore a =
        Card(2016, 5, 3, kCourses[0], rounds.Play(kCourses[0], 2016, 5, 3, 8, 2, 0, 18, first));
    a.players[1] = Partner(rounds, "KS");
    a.players[2] = Partner(rounds, "田");
    a.players[3] = Partner(rounds, "MN");
    SampleScore b =
        Card(2016, 5, 4, kCourses[1], rounds.Play(kCourses[1], 2016, 5, 4, 7, 45, 0, 18, first));
    b.players[1] = Partner(rounds, "HR");  // a two-ball: slots 3 and 4 stay empty
    rounds.Play(kCourses[3], 2016, 5, 4, 14, 30, 0, 9, first);

    // Set 1: June, two more days; the card of the 12th was made in the late afternoon.
    SampleScore c =
        Card(2016, 6, 12, kCourses[2], rounds.Play(kCourses[2], 2016, 6, 12, 9, 10, 0, 18, second));
    c.lateStart = true;
    c.players[1] = Partner(rounds, "KS");
    c.players[2] = Partner(rounds, "A");
    rounds.Play(kCourses[0], 2016, 6, 19, 15, 40, 9, 9, second);

    sample.scores = {a, b, c};
    return sample;
}

uint32_t PackMarkTime(int year, int month, int day, int hour, int minute, int second) {
    return (static_cast<uint32_t>(year - 2000) << 26) | (static_cast<uint32_t>(month - 1) << 22) |
           (static_cast<uint32_t>(day - 1) << 17) | (static_cast<uint32_t>(hour) << 12) |
           (static_cast<uint32_t>(minute) << 6) | static_cast<uint32_t>(second);
}

std::vector<uint8_t> EncodeMarkSet(const std::vector<SampleMark>& marks) {
    std::vector<uint8_t> set(48 + marks.size() * 116 + 4, 0);
    std::memcpy(set.data(), "MARK", 4);
    uint8_t* r = set.data() + 48;
    for (const SampleMark& m : marks) {
        PutLe(r, PackMarkTime(m.year, m.month, m.day, m.hour, m.minute, m.second), 4);
        PutLe(r + 4, m.gcid, 2);
        r[6] = static_cast<uint8_t>((m.hole << 3) | (m.cid & 7));
        r[7] = m.putt ? 1 : 0;
        PutLe(r + 8, static_cast<uint32_t>(m.longitude), 4);
        PutLe(r + 12, static_cast<uint32_t>(m.latitude), 4);
        PutName(r + 16, m.golfCourseName);
        PutName(r + 66, m.courseName);
        r += 116;
    }
    return set;
}

std::vector<uint8_t> EncodeScores(const std::vector<SampleScore>& scores) {
    std::vector<uint8_t> data(scores.size() * 512, 0);
    uint8_t* r = data.data();
    for (const SampleScore& s : scores) {
        uint32_t date = PackMarkTime(s.year, s.month, s.day, s.lateStart ? 16 : 0, 0, 0) >> 16;
        PutLe(r + 4, date, 2);
        PutLe(r + 6, s.gcid, 2);
        PutLe(r + 8, s.frontWord, 4);
        PutLe(r + 12, s.backWord, 4);
        for (size_t p = 0; p < 4; ++p) {
            std::string tag = platform::Utf8ToCp932(s.players[p].tag);
            std::memcpy(r + 46 + 2 * p, tag.data(), std::min<size_t>(tag.size(), 2));
            uint8_t* table = p == 0 ? r + 72 : r + 108 + 18 * (p - 1);
            std::memcpy(table, s.players[p].strokes.data(), 18);
        }
        std::memcpy(r + 90, s.players[0].putts.data(), 18);
        r += 512;
    }
    return data;
}

MarkData EncodeSample(const MarkSample& sample) {
    MarkData data;
    for (const auto& set : sample.sets)
        data.sets.push_back(EncodeMarkSet(set));
    data.score = EncodeScores(sample.scores);
    return data;
}

namespace {

namespace fs = std::filesystem;

// Files larger than the watch could ever send are refused.
constexpr uintmax_t kMaxFileBytes = 64u << 20;

bool ReadFile(const fs::path& path, std::vector<uint8_t>& bytes, std::string* error) {
    std::error_code ec;
    uintmax_t size = fs::file_size(path, ec);
    if (ec || size > kMaxFileBytes) {
        if (error)
            *error = path.string() + ": " + (ec ? ec.message() : "larger than 64 MiB");
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        if (error)
            *error = path.string() + ": cannot be read";
        return false;
    }
    return true;
}

bool WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes, std::string* error) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        if (error)
            *error = path.string() + ": cannot be written";
        return false;
    }
    return true;
}

std::string SetFileName(size_t index) {
    char name[32];
    std::snprintf(name, sizeof name, "set%03zu.bin", index);
    return name;
}

}  // namespace

bool LoadMarkData(const std::string& dir, MarkData& data, std::string* error) {
    data = MarkData{};
    for (size_t i = 0;; ++i) {
        fs::path path = platform::Utf8Path(dir) / SetFileName(i);
        if (!fs::exists(path))
            break;
        if (!ReadFile(path, data.sets.emplace_back(), error))
            return false;
    }
    if (data.sets.empty()) {
        if (error)
            *error = dir + ": no set000.bin (mark sets are set000.bin, set001.bin, ...)";
        return false;
    }
    fs::path score = platform::Utf8Path(dir) / "score.bin";
    if (fs::exists(score) && !ReadFile(score, data.score, error))
        return false;
    return true;
}

bool SaveMarkData(const std::string& dir, const MarkData& data, std::string* error) {
    std::error_code ec;
    fs::create_directories(platform::Utf8Path(dir), ec);
    if (ec) {
        if (error)
            *error = dir + ": " + ec.message();
        return false;
    }
    for (size_t i = 0; i < data.sets.size(); ++i) {
        if (!WriteFile(platform::Utf8Path(dir) / SetFileName(i), data.sets[i], error))
            return false;
    }
    return data.score.empty() ||
           WriteFile(platform::Utf8Path(dir) / "score.bin", data.score, error);
}

}  // namespace veldrant::sim
