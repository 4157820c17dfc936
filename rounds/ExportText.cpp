#include "rounds/ExportText.h"

#include <charconv>
#include <cmath>
#include <unordered_map>

namespace veldrant::rounds::text {
namespace {

// Days from 1970-01-01 to the given civil date (proleptic Gregorian), and back.
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, long long& y, unsigned& m, unsigned& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<long long>(yoe) + era * 400 + (m <= 2);
}

void AppendPadded(std::string& out, long long v, int width) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    for (long pad = width - (r.ptr - buf); pad > 0; --pad)
        out.push_back('0');
    out.append(buf, r.ptr);
}

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

}  // namespace

void AppendFixed(std::string& out, double value, int places) {
    char buf[64];
    if (!std::isfinite(value))
        value = 0;
    auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, places);
    out.append(buf, r.ptr);
}

void AppendInt(std::string& out, long long value) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, r.ptr);
}

void AppendXml(std::string& out, std::string_view s) {
    size_t run = 0;  // start of the bytes not yet appended
    for (size_t i = 0; i < s.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c >= 0x20 && c != '&' && c != '<' && c != '>' && c != '"' && c != 0x7F)
            continue;
        out.append(s.substr(run, i - run));
        run = i + 1;
        switch (c) {
            case '&':
                out.append("&amp;");
                break;
            case '<':
                out.append("&lt;");
                break;
            case '>':
                out.append("&gt;");
                break;
            case '"':
                out.append("&quot;");
                break;
            case '\t':
                out.append("&#9;");
                break;
            case '\n':
                out.append("&#10;");
                break;
            case '\r':
                out.append("&#13;");
                break;
            default:
                out.append(kReplacement);
        }
    }
    out.append(s.substr(run));
}

void AppendJsonString(std::string& out, std::string_view s) {
    static constexpr char kHex[] = "0123456789abcdef";
    out.push_back('"');
    size_t run = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c >= 0x20 && c != '"' && c != '\\')
            continue;
        out.append(s.substr(run, i - run));
        run = i + 1;
        switch (c) {
            case '"':
                out.append("\\\"");
                break;
            case '\\':
                out.append("\\\\");
                break;
            case '\n':
                out.append("\\n");
                break;
            case '\r':
                out.append("\\r");
                break;
            case '\t':
                out.append("\\t");
                break;
            default:
                out.append("\\u00");
                out.push_back(kHex[c >> 4]);
                out.push_back(kHex[c & 0xF]);
        }
    }
    out.append(s.substr(run));
    out.push_back('"');
}

std::optional<std::string> UtcText(const LocalTime& t, int utcOffsetMinutes) {
    std::string s;
    if (!AppendUtc(s, t, utcOffsetMinutes))
        return std::nullopt;
    return s;
}

bool AppendUtc(std::string& s, const LocalTime& t, int utcOffsetMinutes) {
    if (!t.IsCalendarTime())
        return false;
    long long seconds =
        DaysFromCivil(t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day)) *
            86400 +
        t.hour * 3600 + t.minute * 60 + t.second - utcOffsetMinutes * 60LL;
    long long days = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
    long long rest = seconds - days * 86400;
    long long y;
    unsigned m, d;
    CivilFromDays(days, y, m, d);
    AppendPadded(s, y, 4);
    s.push_back('-');
    AppendPadded(s, m, 2);
    s.push_back('-');
    AppendPadded(s, d, 2);
    s.push_back('T');
    AppendPadded(s, rest / 3600, 2);
    s.push_back(':');
    AppendPadded(s, rest / 60 % 60, 2);
    s.push_back(':');
    AppendPadded(s, rest % 60, 2);
    s.push_back('Z');
    return true;
}

std::vector<std::string> RoundTags(const RoundFile& file) {
    std::vector<std::string> tags;
    tags.reserve(file.rounds.size());
    std::unordered_map<std::string, int> perDate;
    for (const Round& r : file.rounds)
        ++perDate[tags.emplace_back(DateText(r.start))];
    for (size_t i = 0; i < tags.size(); ++i) {
        if (perDate[tags[i]] > 1) {
            tags[i].append(" R");
            AppendInt(tags[i], file.rounds[i].number);
        }
    }
    return tags;
}

void AppendMarkName(std::string& s, std::string_view roundTag, const Hole& hole, size_t index) {
    s.append(roundTag);
    s.append(" H");
    AppendInt(s, hole.number);
    s.append(" S");
    AppendInt(s, static_cast<long long>(index) + 1);
}

std::string MarkName(std::string_view roundTag, const Hole& hole, size_t index) {
    std::string s;
    AppendMarkName(s, roundTag, hole, index);
    return s;
}

std::string HoleName(std::string_view roundTag, const Hole& hole) {
    std::string s(roundTag);
    s.append(" H");
    AppendInt(s, hole.number);
    return s;
}

void AppendLocalTime(std::string& s, const LocalTime& t) {
    AppendPadded(s, t.year, 4);
    s.push_back('-');
    AppendPadded(s, t.month, 2);
    s.push_back('-');
    AppendPadded(s, t.day, 2);
    s.push_back('T');
    AppendPadded(s, t.hour, 2);
    s.push_back(':');
    AppendPadded(s, t.minute, 2);
    s.push_back(':');
    AppendPadded(s, t.second, 2);
}

size_t ExpectedBytes(const RoundFile& file, size_t perMark) {
    size_t marks = 0;
    for (const Round& r : file.rounds)
        marks += r.MarkCount();
    return 4096 + marks * perMark;
}

std::string_view KindText(MarkKind kind) {
    return kind == MarkKind::Putt ? "putt" : "shot";
}

std::string MarkSummary(const Mark& mark) {
    std::string s;
    AppendMarkSummary(s, mark);
    return s;
}

void AppendMarkSummary(std::string& s, const Mark& mark) {
    s.append(KindText(mark.kind));
    if (mark.outlier) {
        s.append(", outlier: no distance");
    } else if (mark.distance) {
        s.append(", ");
        AppendFixed(s, *mark.distance, 2);
        s.append(" m (");
        AppendFixed(s, Yards(*mark.distance), 2);
        s.append(" yd)");
    }
}

}  // namespace veldrant::rounds::text
