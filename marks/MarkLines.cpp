#include "marks/MarkLines.h"

namespace veldrant::marks {
namespace {

constexpr std::string_view kModelLine = "\"KVT2700\"\r\n";
constexpr std::string_view kMrkLine = "\"MRK\"\r\n";
constexpr std::string_view kTitleLine =
    "\"GCID\",\"Golf Course name\",\"CID\",\"Course name\",\"Hole No\",\"Date\",\"time\","
    "\"Shot (s) or Putt (p)\",\"Additional No\",\"Longitude\",\"Latitude\"\r\n";
constexpr std::string_view kSep = "\",\"";
constexpr std::string_view kEnd = "\"\r\n";

// "%04d%02d%02d_%02d%02d%02d"
void AppendStamp(std::string& out, MarkTime t) {
    AppendPadded(out, t.Year(), 4);
    AppendPadded(out, t.Month(), 2);
    AppendPadded(out, t.Day(), 2);
    out.push_back('_');
    AppendPadded(out, t.Hour(), 2);
    AppendPadded(out, t.Minute(), 2);
    AppendPadded(out, t.Second(), 2);
}

// "%02d:%02d:%02d"
void AppendClock(std::string& out, MarkTime t) {
    AppendPadded(out, t.Hour(), 2);
    out.push_back(':');
    AppendPadded(out, t.Minute(), 2);
    out.push_back(':');
    AppendPadded(out, t.Second(), 2);
}

void AppendQuotedNumber(std::string& out, int64_t value) {
    out.push_back(',');
    out.push_back('"');
    AppendDecimal(out, value);
    out.push_back('"');
}

// The tag's two bytes as characters of the line. A NUL would end the line's text, so it is
// left out.
void AppendTag(std::string& out, const uint8_t* tag) {
    char bytes[2];
    size_t n = 0;
    for (size_t i = 0; i < kScoreTagSize; ++i) {
        if (tag[i] != 0)
            bytes[n++] = static_cast<char>(tag[i]);
    }
    out.append(ToFieldText(std::string_view(bytes, n)));
}

}  // namespace

void AppendModelLine(std::string& out) {
    out.append(kModelLine);
}

void AppendSessionLine(std::string& out, int session, const MarkRecordView& first,
                       FieldText& golfName) {
    AppendSessionLine(out, session, first.Time(), golfName.Convert(first.GolfCourseName()));
}

void AppendSessionLine(std::string& out, int session, MarkTime first, std::string_view golfName) {
    out.append("\"SESSION");
    AppendDecimal(out, session);
    out.append(kSep);
    AppendStamp(out, first);
    out.append(kSep);
    out.append(golfName);
    out.append(kEnd);
}

void AppendMarkHeadLines(std::string& out) {
    out.append(kMrkLine);
    out.append(kTitleLine);
}

void AppendMarkLine(std::string& out, const MarkRecordView& mark, FieldText& golfName,
                    FieldText& courseName) {
    std::string longitude, latitude;
    AppendCoordinate(longitude, mark.Longitude());
    AppendCoordinate(latitude, mark.Latitude());
    AppendMarkLine(out, {.gcid = mark.Gcid(),
                         .golfName = golfName.Convert(mark.GolfCourseName()),
                         .cid = mark.Cid(),
                         .courseName = courseName.Convert(mark.CourseName()),
                         .hole = mark.Hole(),
                         .time = mark.Time(),
                         .putt = mark.IsPutt(),
                         .longitude = longitude,
                         .latitude = latitude});
}

void AppendMarkLine(std::string& out, const MarkLineFields& mark) {
    MarkTime t = mark.time;
    out.push_back('"');
    AppendDecimal(out, mark.gcid);
    out.append(kSep);
    out.append(mark.golfName);
    out.append(kSep);
    AppendDecimal(out, mark.cid);
    out.append(kSep);
    out.append(mark.courseName);
    out.append(kSep);
    AppendDecimal(out, mark.hole);
    out.append(kSep);
    AppendPadded(out, t.Year(), 2);
    out.push_back('-');
    AppendPadded(out, t.Month(), 2);
    out.push_back('-');
    AppendPadded(out, t.Day(), 2);
    out.append(kSep);
    AppendClock(out, t);
    out.append(kSep);
    out.push_back(mark.putt ? 'p' : 's');
    out.append("\",\"1\",\"");
    out.append(mark.longitude);
    out.append(kSep);
    out.append(mark.latitude);
    out.append(kEnd);
}

void AppendScoreLine(std::string& out, MarkTime sessionTime) {
    out.append("\"SCORE\",\"");
    AppendClock(out, sessionTime);
    out.append(kEnd);
}

bool IsEmptyPlayerSlot(const ScoreRecordView& record, int player) {
    const uint8_t* tag = record.Tag(player);
    if (tag[0] != 0 || tag[1] != 0)
        return false;
    int tables = player == 0 ? 2 : 1;
    for (int t = 0; t < tables; ++t) {
        const uint8_t* values = record.Table(player, t);
        for (size_t h = 0; h < kHoles; ++h) {
            if (values[h] != 0)
                return false;
        }
    }
    return true;
}

void AppendPlayerLine(std::string& out, const ScoreRecordView& record, int player, bool backNine) {
    const size_t first = backNine ? 9 : 0;
    const uint8_t* table = record.Table(player, 0);
    const uint8_t* second = player == 0 ? record.Table(0, 1) : nullptr;
    std::array<int, 18> values{};
    for (size_t h = 0; h < 9; ++h) {
        values[2 * h] = table[first + h];
        // Players 2 to 4 have one table; the second column is always 0 for them.
        values[2 * h + 1] = second ? second[first + h] : 0;
    }
    std::string tag;
    AppendTag(tag, record.Tag(player));
    AppendPlayerLine(out, tag, backNine ? record.BackWord() : record.FrontWord(), values);
}

void AppendPlayerLine(std::string& out, std::string_view tag, uint32_t word,
                      const std::array<int, 18>& values) {
    out.push_back('"');
    out.append(tag);
    out.push_back('"');
    AppendQuotedNumber(out, word);
    for (int v : values)
        AppendQuotedNumber(out, v);
    out.append("\r\n");
}

}  // namespace veldrant::marks
