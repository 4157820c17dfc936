#include "rounds/RoundReader.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/File.h"
#include "rounds/Measure.h"

namespace veldrant::rounds {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr size_t kMaxFields = 24;  // the longest line, a player's, has 20
constexpr std::string_view kTitles[11] = {
    "GCID", "Golf Course name",     "CID",           "Course name", "Hole No", "Date",
    "time", "Shot (s) or Putt (p)", "Additional No", "Longitude",   "Latitude"};
enum MarkField {
    kGcid,
    kGolfName,
    kCid,
    kCourseName,
    kHoleNo,
    kDate,
    kTime,
    kKind,
    kAdditional,
    kLongitude,
    kLatitude,
    kMarkFields
};

std::string Line(int line) {
    return "line " + std::to_string(line) + ": ";
}

// Quoted for a message, cut to a readable length.
std::string Shown(std::string_view text) {
    if (text.size() > 40)
        return "\"" + std::string(text.substr(0, 37)) + "...\"";
    return "\"" + std::string(text) + "\"";
}

// One CSV record at a time: every field in double quotes ("" for a quote inside), fields
// separated by commas, records ending with CR LF (LF alone is taken too). A quoted field may
// hold a line end of its own.
class RecordReader {
public:
    explicit RecordReader(std::string_view text) : text_(text) {}

    // False at the end of the text or on an error (then `error` is set).
    bool Next(std::string& error) {
        count_ = 0;
        if (pos_ >= text_.size())
            return false;
        line_ = physical_;
        for (;;) {
            if (count_ == kMaxFields) {
                error = Line(line_) + "more fields than any line of a mark CSV file has";
                return false;
            }
            if (text_[pos_] != '"') {
                error = Line(physical_) + "field " + std::to_string(count_ + 1) +
                        " is not in double quotes, as every field of a mark CSV file is";
                return false;
            }
            ++pos_;
            std::string& field = fields_[count_++];
            field.clear();
            for (;;) {
                const void* q = std::memchr(text_.data() + pos_, '"', text_.size() - pos_);
                if (!q) {
                    error = Line(line_) + "the file ends inside a quoted field: it was cut short";
                    return false;
                }
                size_t at = static_cast<size_t>(static_cast<const char*>(q) - text_.data());
                std::string_view piece = text_.substr(pos_, at - pos_);
                for (char c : piece)
                    physical_ += c == '\n';
                field.append(piece);
                pos_ = at + 1;
                if (pos_ < text_.size() && text_[pos_] == '"') {
                    field.push_back('"');
                    ++pos_;
                    continue;
                }
                break;
            }
            if (pos_ >= text_.size()) {
                error = Line(physical_) + "the last line has no line end: the file was cut short";
                return false;
            }
            char c = text_[pos_];
            if (c == ',') {
                ++pos_;
                if (pos_ >= text_.size()) {
                    error = Line(physical_) + "the file ends after a comma: it was cut short";
                    return false;
                }
                continue;
            }
            if (c == '\n' || (c == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n')) {
                pos_ += c == '\r' ? 2 : 1;
                ++physical_;
                return true;
            }
            if (c == '\r' && pos_ + 1 >= text_.size()) {
                error = Line(physical_) + "the last line has no line end: the file was cut short";
                return false;
            }
            error = Line(physical_) + "text after the closing quote of field " +
                    std::to_string(count_) + "; fields end at their quote";
            return false;
        }
    }

    int LineNumber() const { return line_; }
    // The line after the last record read: where the end of the file stands.
    int EndLine() const { return physical_; }
    size_t Count() const { return count_; }
    const std::string& Field(size_t i) const { return fields_[i]; }

private:
    std::string_view text_;
    size_t pos_ = 0;
    int physical_ = 1;
    int line_ = 1;
    size_t count_ = 0;
    std::string fields_[kMaxFields];
};

bool AllDigits(std::string_view s) {
    if (s.empty())
        return false;
    for (char c : s) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

// A decimal number as "%d" writes it: digits with an optional minus, nothing else.
bool ParseInteger(std::string_view s, int64_t lo, int64_t hi, int64_t& out) {
    std::string_view digits = !s.empty() && s[0] == '-' ? s.substr(1) : s;
    if (!AllDigits(digits) || digits.size() > 12)
        return false;
    auto r = std::from_chars(s.data(), s.data() + s.size(), out);
    return r.ec == std::errc() && r.ptr == s.data() + s.size() && out >= lo && out <= hi;
}

int Digits(std::string_view s, size_t at, size_t n) {
    int v = 0;
    for (size_t i = 0; i < n; ++i)
        v = v * 10 + (s[at + i] - '0');
    return v;
}

bool DigitsAt(std::string_view s, size_t at, size_t n) {
    return at + n <= s.size() && AllDigits(s.substr(at, n));
}

// What the watch's packed time can hold.
bool InWatchRange(const LocalTime& t) {
    return t.year >= 2000 && t.year <= 2063 && t.month >= 1 && t.month <= 16 && t.day >= 1 &&
           t.day <= 32 && t.hour <= 31 && t.minute <= 63 && t.second <= 63;
}

// "2016-05-03"
bool ParseDate(std::string_view s, LocalTime& t) {
    if (s.size() != 10 || !DigitsAt(s, 0, 4) || s[4] != '-' || !DigitsAt(s, 5, 2) || s[7] != '-' ||
        !DigitsAt(s, 8, 2))
        return false;
    t.year = Digits(s, 0, 4);
    t.month = Digits(s, 5, 2);
    t.day = Digits(s, 8, 2);
    return true;
}

// "09:15:30"
bool ParseClock(std::string_view s, LocalTime& t) {
    if (s.size() != 8 || !DigitsAt(s, 0, 2) || s[2] != ':' || !DigitsAt(s, 3, 2) || s[5] != ':' ||
        !DigitsAt(s, 6, 2))
        return false;
    t.hour = Digits(s, 0, 2);
    t.minute = Digits(s, 3, 2);
    t.second = Digits(s, 6, 2);
    return true;
}

// "20160503_091530"
bool ParseStamp(std::string_view s, LocalTime& t) {
    if (s.size() != 15 || !DigitsAt(s, 0, 8) || s[8] != '_' || !DigitsAt(s, 9, 6))
        return false;
    t = {Digits(s, 0, 4), Digits(s, 4, 2),  Digits(s, 6, 2),
         Digits(s, 9, 2), Digits(s, 11, 2), Digits(s, 13, 2)};
    return InWatchRange(t);
}

// "%lf" of a stored coordinate: an optional minus, digits, a point and six digits.
bool ParseCoordinate(std::string_view s, double& out) {
    size_t begin = !s.empty() && s[0] == '-' ? 1 : 0;
    size_t point = s.find('.');
    if (point == std::string_view::npos || point == begin || s.size() - point != 7 ||
        !AllDigits(s.substr(begin, point - begin)) || !AllDigits(s.substr(point + 1)) ||
        point - begin > 4)
        return false;
    auto r = std::from_chars(s.data(), s.data() + s.size(), out);
    // The watch stores 1/600000 degree in 32 bits.
    return r.ec == std::errc() && r.ptr == s.data() + s.size() && out >= -3579.139414 &&
           out <= 3579.139413;
}

class Reader {
public:
    explicit Reader(std::string_view text) : records_(text) {}

    ReadResult Run();

private:
    enum class Expect { Model, Session, Mrk, Titles, FirstMark, Body };

    bool Is(size_t count, std::string_view first) const {
        return records_.Count() == count && records_.Field(0) == first;
    }
    bool Fail(std::string message) {
        error_ = Line(records_.LineNumber()) + std::move(message);
        return false;
    }
    std::string What() const {
        return "a line of " + std::to_string(records_.Count()) + " field" +
               (records_.Count() == 1 ? "" : "s") + " beginning with " + Shown(records_.Field(0));
    }

    bool Step();
    bool SessionLine();
    bool TitleLine();
    bool MarkLine();
    bool ScoreTimeLine();
    bool PlayerLine();
    bool EndSession();

    RecordReader records_;
    std::string error_;
    RoundFile file_;
    Expect expect_ = Expect::Model;
    int session_ = 0;      // the number of the current set's last session
    int playerLines_ = 0;  // in the current session's score section
    bool inScores_ = false;
};

ReadResult Reader::Run() {
    std::string error;
    bool any = false;
    while (records_.Next(error)) {
        any = true;
        if (!Step())
            return {{}, error_};
    }
    if (!error.empty())
        return {{}, error};
    switch (expect_) {
        case Expect::Model:
            if (any)
                break;
            return {std::move(file_), {}};  // the byte order mark alone: an import with no marks
        case Expect::Body:
            if (!EndSession())
                return {{}, error_};
            return {std::move(file_), {}};
        default:
            break;
    }
    return {{},
            Line(records_.EndLine()) +
                "the file ends before the session's first mark line: it was cut short"};
}

bool Reader::Step() {
    switch (expect_) {
        case Expect::Model:
            if (!Is(1, "KVT2700")) {
                return Fail("not a mark CSV file: it should begin with \"KVT2700\", not with " +
                            What());
            }
            ++file_.markSets;
            session_ = 0;
            expect_ = Expect::Session;
            return true;
        case Expect::Session:
            return SessionLine();
        case Expect::Mrk:
            if (!Is(1, "MRK"))
                return Fail("expected \"MRK\" after the session line, found " + What());
            expect_ = Expect::Titles;
            return true;
        case Expect::Titles:
            return TitleLine();
        case Expect::FirstMark:
            if (records_.Count() != kMarkFields)
                return Fail("expected the session's first mark line, found " + What());
            return MarkLine();
        case Expect::Body:
            break;
    }
    const std::string& first = records_.Field(0);
    switch (records_.Count()) {
        case 1:
            if (first == "KVT2700") {
                if (!EndSession())
                    return false;
                ++file_.markSets;
                session_ = 0;
                expect_ = Expect::Session;
                return true;
            }
            break;
        case 2:
            if (first == "SCORE")
                return ScoreTimeLine();
            break;
        case 3:
            if (first.starts_with("SESSION"))
                return EndSession() && SessionLine();
            break;
        case kMarkFields:
            if (inScores_)
                return Fail("a mark line after the session's score lines");
            return MarkLine();
        case 20:
            return PlayerLine();
        default:
            break;
    }
    return Fail(What() + " is not a line of a mark CSV file");
}

bool Reader::SessionLine() {
    const std::string& first = records_.Field(0);
    std::string_view number = std::string_view(first).substr(std::min<size_t>(first.size(), 7));
    int64_t n = 0;
    if (records_.Count() != 3 || !first.starts_with("SESSION") || !AllDigits(number) ||
        !ParseInteger(number, 1, 1 << 30, n))
        return Fail("expected a session line (\"SESSION" + std::to_string(session_ + 1) +
                    "\"), found " + What());
    if (n != session_ + 1) {
        return Fail("\"SESSION" + std::to_string(n) + "\" where \"SESSION" +
                    std::to_string(session_ + 1) + "\" should come");
    }
    Round round;
    if (!ParseStamp(records_.Field(1), round.start))
        return Fail("the session's time " + Shown(records_.Field(1)) +
                    " is not a time as the watch writes it (YYYYMMDD_hhmmss)");
    session_ = static_cast<int>(n);
    round.number = static_cast<int>(file_.rounds.size()) + 1;
    round.set = static_cast<int>(file_.markSets);
    round.session = session_;
    round.golfCourseName = records_.Field(2);
    round.line = records_.LineNumber();
    file_.rounds.push_back(std::move(round));
    playerLines_ = 0;
    inScores_ = false;
    expect_ = Expect::Mrk;
    return true;
}

bool Reader::TitleLine() {
    bool titles = records_.Count() == kMarkFields;
    for (size_t i = 0; titles && i < kMarkFields; ++i)
        titles = records_.Field(i) == kTitles[i];
    if (!titles)
        return Fail("expected the column titles (\"GCID\",\"Golf Course name\",...), found " +
                    What());
    expect_ = Expect::FirstMark;
    return true;
}

bool Reader::MarkLine() {
    auto bad = [&](MarkField f, const char* what) {
        return Fail("\"" + std::string(kTitles[f]) + "\" is " + Shown(records_.Field(f)) +
                    ", not " + what);
    };
    int64_t gcid = 0, cid = 0, hole = 0;
    if (!ParseInteger(records_.Field(kGcid), 0, 65535, gcid))
        return bad(kGcid, "a golf course id (0-65535)");
    if (!ParseInteger(records_.Field(kCid), 0, 7, cid))
        return bad(kCid, "a course id (0-7)");
    if (!ParseInteger(records_.Field(kHoleNo), 0, 31, hole))
        return bad(kHoleNo, "a hole number (0-31)");
    Mark mark;
    mark.line = records_.LineNumber();
    if (!ParseDate(records_.Field(kDate), mark.time))
        return bad(kDate, "a date (YYYY-MM-DD)");
    if (!ParseClock(records_.Field(kTime), mark.time))
        return bad(kTime, "a time (hh:mm:ss)");
    if (!InWatchRange(mark.time))
        return Fail("the date and time " +
                    Shown(records_.Field(kDate) + " " + records_.Field(kTime)) +
                    " are out of what the watch can record");
    const std::string& kind = records_.Field(kKind);
    if (kind != "s" && kind != "p")
        return bad(kKind, "\"s\" (shot) or \"p\" (putt)");
    mark.kind = kind == "s" ? MarkKind::Shot : MarkKind::Putt;
    if (records_.Field(kAdditional) != "1")
        return bad(kAdditional, "\"1\"");
    if (!ParseCoordinate(records_.Field(kLongitude), mark.longitude))
        return bad(kLongitude, "a longitude as the watch writes it (six decimals)");
    if (!ParseCoordinate(records_.Field(kLatitude), mark.latitude))
        return bad(kLatitude, "a latitude as the watch writes it (six decimals)");
    mark.longitudeText = records_.Field(kLongitude);
    mark.latitudeText = records_.Field(kLatitude);

    Round& round = file_.rounds.back();
    if (expect_ == Expect::FirstMark) {
        if (!mark.time.SameDate(round.start) || !mark.time.SameClock(round.start))
            return Fail("the first mark's time " + DateText(mark.time) + " " +
                        ClockText(mark.time) + " is not the session's time " +
                        DateText(round.start) + " " + ClockText(round.start));
        if (records_.Field(kGolfName) != round.golfCourseName)
            return Fail("the first mark's golf course " + Shown(records_.Field(kGolfName)) +
                        " is not the session's " + Shown(round.golfCourseName));
        round.golfCourseId = static_cast<int>(gcid);
        expect_ = Expect::Body;
    } else {
        // A session is one day at one golf course: a mark of another day or golf course starts
        // a new session in the file.
        if (gcid != round.golfCourseId)
            return Fail("a mark of golf course " + std::to_string(gcid) +
                        " inside the session of " + std::to_string(round.golfCourseId));
        if (!mark.time.SameDate(round.start))
            return Fail("a mark of " + DateText(mark.time) + " inside the session of " +
                        DateText(round.start));
    }
    const std::string& courseName = records_.Field(kCourseName);
    if (round.holes.empty() || round.holes.back().courseId != cid ||
        round.holes.back().number != hole || round.holes.back().courseName != courseName) {
        Hole h;
        h.courseId = static_cast<int>(cid);
        h.courseName = courseName;
        h.number = static_cast<int>(hole);
        round.holes.push_back(std::move(h));
    }
    round.holes.back().marks.push_back(std::move(mark));
    return true;
}

bool Reader::ScoreTimeLine() {
    Round& round = file_.rounds.back();
    if (round.hasScoreTime)
        return Fail("a second \"SCORE\" line in one session");
    if (playerLines_ % 2 != 0)
        return Fail("\"SCORE\" between a player's two lines");
    LocalTime t = round.start;
    if (!ParseClock(records_.Field(1), t) || !t.SameClock(round.start))
        return Fail("the \"SCORE\" time " + Shown(records_.Field(1)) +
                    " is not the session's time " + ClockText(round.start));
    round.hasScoreTime = true;
    round.scoreTime = t;
    inScores_ = true;
    return true;
}

bool Reader::PlayerLine() {
    ScoreLine s;
    s.tag = records_.Field(0);
    s.line = records_.LineNumber();
    int64_t v = 0;
    if (!ParseInteger(records_.Field(1), 0, UINT32_MAX, v))
        return Fail("field 2 of a score line is " + Shown(records_.Field(1)) +
                    ", not a number 0-4294967295");
    s.word = static_cast<uint32_t>(v);
    for (size_t i = 0; i < s.values.size(); ++i) {
        if (!ParseInteger(records_.Field(i + 2), 0, 255, v))
            return Fail("field " + std::to_string(i + 3) + " of a score line is " +
                        Shown(records_.Field(i + 2)) + ", not a number 0-255");
        s.values[i] = static_cast<int>(v);
    }
    file_.rounds.back().scores.push_back(std::move(s));
    ++playerLines_;
    inScores_ = true;
    return true;
}

bool Reader::EndSession() {
    if (playerLines_ % 2 != 0) {
        error_ = Line(file_.rounds.back().scores.back().line) +
                 "a player's score line without its second line (holes 10-18)";
        return false;
    }
    MeasureRound(file_.rounds.back());
    return true;
}

// Where the text stops being UTF-8 (the mark export writes nothing else), or npos.
size_t FirstNonUtf8(std::string_view s) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const size_t n = s.size();
    size_t i = 0;
    while (i < n) {
        if (i + 8 <= n) {
            uint64_t word;
            std::memcpy(&word, p + i, 8);
            if ((word & 0x8080808080808080ull) == 0) {
                i += 8;
                continue;
            }
        }
        unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t len = 0;
        uint32_t cp = 0, min = 0;
        if ((c & 0xE0) == 0xC0) {
            len = 2, cp = c & 0x1F, min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3, cp = c & 0x0F, min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4, cp = c & 0x07, min = 0x10000;
        } else {
            return i;
        }
        if (i + len > n)
            return i;
        for (size_t k = 1; k < len; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return i;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return i;
        i += len;
    }
    return std::string_view::npos;
}

}  // namespace

ReadResult ReadRounds(std::string_view bytes) {
    if (bytes.empty())
        return {{}, "the file is empty: not a mark CSV file"};
    if (bytes.starts_with(kBom))
        bytes.remove_prefix(kBom.size());
    // Every text the rounds hand on is UTF-8, so that no export has to mend it.
    size_t bad = FirstNonUtf8(bytes);
    if (bad != std::string_view::npos) {
        int line = 1 + static_cast<int>(std::count(bytes.begin(), bytes.begin() + bad, '\n'));
        return {{},
                Line(line) + "the text is not UTF-8 (byte " + std::to_string(bad + 1) +
                    " of the file's text): not a mark CSV file as Veldrant writes it"};
    }
    return Reader(bytes).Run();
}

ReadResult LoadRounds(const std::string& path) {
    namespace fs = std::filesystem;
    // The path is UTF-8 on every platform (a folder named in Japanese works on Windows too).
    const fs::path file = platform::Utf8Path(path);
    std::error_code ec;
    fs::file_status st = fs::status(file, ec);
    if (ec || !fs::exists(st))
        return {{}, path + ": no such file"};
    if (!fs::is_regular_file(st))
        return {{}, path + ": not a regular file"};
    uint64_t size = fs::file_size(file, ec);
    if (ec)
        return {{}, path + ": " + ec.message()};
    if (size > kMaxRoundFileBytes)
        return {{}, path + ": too large for a mark CSV file (" + std::to_string(size) + " bytes)"};
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return {{}, path + ": cannot be opened for reading"};
    std::string bytes(static_cast<size_t>(size), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (static_cast<uint64_t>(in.gcount()) != size)
        return {{}, path + ": could not be read to its end"};
    ReadResult r = ReadRounds(bytes);
    if (!r.ok())
        r.error = path + ": " + r.error;
    return r;
}

}  // namespace veldrant::rounds
