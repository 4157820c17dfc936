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
    out.append("\"SESSION");
    AppendDecimal(out, session);
    out.append(kSep);
    AppendStamp(out, first.Time());
    out.append(kSep);
    out.append(golfName.Convert(first.GolfCourseName()));
    out.append(kEnd);
}

void AppendMarkHeadLines(std::string& out) {
    out.append(kMrkLine);
    out.append(kTitleLine);
}

void AppendMarkLine(std::string& out, const MarkRecordView& mark, FieldText& golfName,
                    FieldText& courseName) {
    MarkTime t = mark.Time();
    out.push_back('"');
    AppendDecimal(out, mark.Gcid());
    out.append(kSep);
    out.append(golfName.Convert(mark.GolfCourseName()));
    out.append(kSep);
    AppendDecimal(out, mark.Cid());
    out.append(kSep);
    out.append(courseName.Convert(mark.CourseName()));
    out.append(kSep);
    AppendDecimal(out, mark.Hole());
    out.append(kSep);
    AppendPadded(out, t.Year(), 2);
    out.push_back('-');
    AppendPadded(out, t.Month(), 2);
    out.push_back('-');
    AppendPadded(out, t.Day(), 2);
    out.append(kSep);
    AppendClock(out, t);
    out.append(kSep);
    out.push_back(mark.IsPutt() ? 'p' : 's');
    out.append("\",\"1\",\"");
    AppendCoordinate(out, mark.Longitude());
    out.append(kSep);
    AppendCoordinate(out, mark.Latitude());
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
    out.push_back('"');
    AppendTag(out, record.Tag(player));
    out.push_back('"');
    AppendQuotedNumber(out, backNine ? record.BackWord() : record.FrontWord());
    const size_t first = backNine ? 9 : 0;
    const uint8_t* table = record.Table(player, 0);
    const uint8_t* second = player == 0 ? record.Table(0, 1) : nullptr;
    for (size_t h = first; h < first + 9; ++h) {
        AppendQuotedNumber(out, table[h]);
        // Players 2 to 4 have one table; the second column is always 0 for them.
        AppendQuotedNumber(out, second ? second[h] : 0);
    }
    out.append("\r\n");
}

}  // namespace veldrant::marks
