#include "logbook/Logbook.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <unordered_map>

#include "logbook/Sqlite.h"
#include "platform/DataFolder.h"
#include "platform/File.h"
#include "platform/SafeOutput.h"
#include "rounds/Measure.h"

namespace veldrant::logbook {
namespace {

namespace fs = std::filesystem;
using sql::Database;
using sql::SqliteError;
using sql::Statement;
using sql::Transaction;

constexpr const char* kLeftAsItWas = "; it was left as it was";

// Version 1. Times are YYYYMMDDhhmmss as integers; coordinates and tags keep the file's bytes.
constexpr const char* kSchema = R"(
CREATE TABLE golf_courses(
  id INTEGER PRIMARY KEY,  -- GCID
  name TEXT NOT NULL);
CREATE TABLE courses(
  golf_course INTEGER NOT NULL REFERENCES golf_courses(id),
  cid INTEGER NOT NULL,
  name TEXT NOT NULL,
  course_rating REAL,
  slope INTEGER,
  PRIMARY KEY(golf_course, cid)) WITHOUT ROWID;
CREATE TABLE holes(
  golf_course INTEGER NOT NULL,
  cid INTEGER NOT NULL,
  number INTEGER NOT NULL,
  par INTEGER,
  stroke_index INTEGER,
  PRIMARY KEY(golf_course, cid, number),
  FOREIGN KEY(golf_course, cid) REFERENCES courses(golf_course, cid)) WITHOUT ROWID;
CREATE TABLE files(
  id INTEGER PRIMARY KEY,
  name TEXT NOT NULL UNIQUE,
  added TEXT NOT NULL);
CREATE TABLE rounds(
  id INTEGER PRIMARY KEY,
  golf_course INTEGER NOT NULL REFERENCES golf_courses(id),
  start INTEGER NOT NULL,
  score_time INTEGER,
  front_course INTEGER,
  back_course INTEGER);
CREATE INDEX rounds_start ON rounds(start);
CREATE TABLE round_files(
  round INTEGER NOT NULL REFERENCES rounds(id) ON DELETE CASCADE,
  file INTEGER NOT NULL REFERENCES files(id),
  PRIMARY KEY(round, file)) WITHOUT ROWID;
CREATE TABLE marks(
  id INTEGER PRIMARY KEY,
  round INTEGER NOT NULL REFERENCES rounds(id) ON DELETE CASCADE,
  seq INTEGER NOT NULL,
  at INTEGER NOT NULL,
  golf_course INTEGER NOT NULL,
  cid INTEGER NOT NULL,
  hole INTEGER NOT NULL,
  putt INTEGER NOT NULL,
  longitude TEXT NOT NULL,
  latitude TEXT NOT NULL,
  repeat INTEGER NOT NULL,
  FOREIGN KEY(golf_course, cid) REFERENCES courses(golf_course, cid));
CREATE UNIQUE INDEX marks_identity
  ON marks(at, golf_course, cid, hole, putt, longitude, latitude, repeat);
CREATE INDEX marks_round ON marks(round, seq);
CREATE TABLE cards(
  id INTEGER PRIMARY KEY,
  round INTEGER NOT NULL REFERENCES rounds(id) ON DELETE CASCADE,
  seq INTEGER NOT NULL);
CREATE INDEX cards_round ON cards(round, seq);
CREATE TABLE card_lines(
  card INTEGER NOT NULL REFERENCES cards(id) ON DELETE CASCADE,
  line INTEGER NOT NULL,
  tag BLOB NOT NULL,
  word INTEGER NOT NULL,
  vals BLOB NOT NULL,  -- the 18 values, one byte each
  PRIMARY KEY(card, line)) WITHOUT ROWID;
)";

// Entry i brings the schema from version i + 1 to i + 2. A new logbook is kSchema and then
// every entry, so that a new file and a migrated one are alike.
constexpr std::array<const char*, kSchemaVersion - 1> kMigrations = {};

int64_t Stamp(const rounds::LocalTime& t) {
    return ((((t.year * 100LL + t.month) * 100 + t.day) * 100 + t.hour) * 100 + t.minute) * 100 +
           t.second;
}

rounds::LocalTime FromStamp(int64_t s) {
    rounds::LocalTime t;
    t.second = static_cast<int>(s % 100);
    t.minute = static_cast<int>(s / 100 % 100);
    t.hour = static_cast<int>(s / 10000 % 100);
    t.day = static_cast<int>(s / 1000000 % 100);
    t.month = static_cast<int>(s / 100000000 % 100);
    t.year = static_cast<int>(s / 10000000000LL);
    return t;
}

uint32_t BigEndian(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | p[3];
}

std::string NotOurs(const std::string& path) {
    return path + " is a SQLite database of another program, not a Veldrant logbook" + kLeftAsItWas;
}

std::string Damaged(const std::string& path, const std::string& why) {
    return path + " is damaged (" + why + ")" + kLeftAsItWas +
           "; 'veldrant-cli logbook check' says more, a backup can replace it";
}

// What the file's first 100 bytes say, before SQLite touches it.
enum class Header {
    Empty,     // no bytes: a new logbook
    Unmarked,  // a SQLite database without application id or version: new if it holds nothing
    Ours,
};

Header CheckHeader(const std::string& path, int64_t latest) {
    std::ifstream in(platform::Utf8Path(path), std::ios::binary);
    if (!in)
        throw LogbookError(LogbookError::Kind::Failed, path + ": cannot be opened for reading");
    unsigned char h[100] = {};
    in.read(reinterpret_cast<char*>(h), sizeof h);
    const auto n = in.gcount();
    if (n == 0)
        return Header::Empty;
    if (n < 100 || std::string_view(reinterpret_cast<const char*>(h), 16) !=
                       std::string_view("SQLite format 3\0", 16))
        throw LogbookError(
            LogbookError::Kind::Refused,
            path + " is not a SQLite database, so not a Veldrant logbook" + kLeftAsItWas);
    const uint32_t app = BigEndian(h + 68), version = BigEndian(h + 60);
    if (app == 0 && version == 0)
        return Header::Unmarked;
    if (app != static_cast<uint32_t>(kApplicationId))
        throw LogbookError(LogbookError::Kind::Refused, NotOurs(path));
    if (version > latest)
        throw LogbookError(LogbookError::Kind::Refused,
                           path + " was written by a newer Veldrant (logbook version " +
                               std::to_string(version) + "; this one knows up to " +
                               std::to_string(latest) + ")" + kLeftAsItWas);
    return Header::Ours;
}

std::string NowText() {
    using namespace std::chrono;
    const auto now = floor<seconds>(system_clock::now());
    const auto day = floor<days>(now);
    const year_month_day date(day);
    const hh_mm_ss time(now - day);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()));
    return buf;
}

// The score lines of a session as cards: each player's two lines in turn, a new card when the
// front and back words change or after four players (a card that leaves empty player slots out
// has fewer lines).
std::vector<std::vector<rounds::ScoreLine>> Cards(const std::vector<rounds::ScoreLine>& lines) {
    std::vector<std::vector<rounds::ScoreLine>> cards;
    for (size_t i = 0; i + 1 < lines.size(); i += 2) {
        const rounds::ScoreLine &front = lines[i], &back = lines[i + 1];
        if (cards.empty() || cards.back().size() >= 8 || cards.back()[0].word != front.word ||
            cards.back()[1].word != back.word)
            cards.emplace_back();
        cards.back().push_back(front);
        cards.back().push_back(back);
    }
    return cards;
}

bool SameLines(const std::vector<rounds::ScoreLine>& a, const std::vector<rounds::ScoreLine>& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].tag != b[i].tag || a[i].word != b[i].word || a[i].values != b[i].values)
            return false;
    }
    return true;
}

std::string ValuesBlob(const std::array<int, 18>& values) {
    std::string b(values.size(), '\0');
    for (size_t i = 0; i < values.size(); ++i)
        b[i] = static_cast<char>(values[i]);
    return b;
}

std::array<int, 18> BlobValues(const std::string& b) {
    std::array<int, 18> v{};
    for (size_t i = 0; i < v.size() && i < b.size(); ++i)
        v[i] = static_cast<unsigned char>(b[i]);
    return v;
}

// The score lines as loaded (`line` holding each line's card) as the file's run of lines; with
// `pad`, a card that left empty player slots out gets them back, so that every card has eight.
std::vector<rounds::ScoreLine> Ungrouped(const std::vector<rounds::ScoreLine>& lines, bool pad) {
    std::vector<rounds::ScoreLine> out;
    out.reserve(lines.size());
    for (size_t i = 0; i < lines.size();) {
        size_t end = i;
        while (end < lines.size() && lines[end].line == lines[i].line)
            ++end;
        for (size_t k = i; k < end; ++k) {
            out.push_back(lines[k]);
            out.back().line = 0;
        }
        for (size_t k = end - i; pad && k < 8; ++k) {
            rounds::ScoreLine empty;
            empty.word = lines[i + (k % 2)].word;
            out.push_back(empty);
        }
        i = end;
    }
    return out;
}

// "YYYY-MM-DD" as YYYYMMDD.
int64_t DateNumber(const std::string& text) {
    rounds::LocalTime t;
    if (text.size() != 10 || text[4] != '-' || text[7] != '-' ||
        std::from_chars(text.data(), text.data() + 4, t.year).ptr != text.data() + 4 ||
        std::from_chars(text.data() + 5, text.data() + 7, t.month).ptr != text.data() + 7 ||
        std::from_chars(text.data() + 8, text.data() + 10, t.day).ptr != text.data() + 10)
        throw LogbookError(LogbookError::Kind::Failed,
                           "\"" + text + "\" is not a date as YYYY-MM-DD");
    return (t.year * 100LL + t.month) * 100 + t.day;
}

// The ids a filter chooses, as a subquery.
std::string Selection(const RoundFilter& f) {
    std::string where = "1";
    if (f.golfCourseId)
        where += " AND golf_course = " + std::to_string(*f.golfCourseId);
    if (f.since)
        where += " AND start >= " + std::to_string(DateNumber(*f.since) * 1000000);
    if (f.until)
        where += " AND start < " + std::to_string((DateNumber(*f.until) + 1) * 1000000);
    if (f.id)
        where += " AND id = " + std::to_string(*f.id);
    std::string s = "SELECT id FROM rounds WHERE " + where;
    if (f.last)
        s += " ORDER BY start DESC, id DESC LIMIT " + std::to_string(*f.last);
    return "(" + s + ")";
}

// Runs `body`, turning SQLite's failures into LogbookError with the file named.
template <typename F>
auto Guarded(const std::string& path, F&& body) -> decltype(body()) {
    try {
        return body();
    } catch (const SqliteError& e) {
        if (e.Busy())
            throw LogbookError(LogbookError::Kind::Busy,
                               path + " is held by another program for too long (" + e.what() +
                                   "); nothing was changed");
        if (e.Full())
            throw LogbookError(
                LogbookError::Kind::Failed,
                path + ": the disk is full, or the file may grow no further" + kLeftAsItWas);
        if (e.Code() == 11 /* SQLITE_CORRUPT */ || e.Code() == 26 /* SQLITE_NOTADB */)
            throw LogbookError(LogbookError::Kind::Refused, Damaged(path, e.what()));
        throw LogbookError(LogbookError::Kind::Failed, path + ": " + e.what());
    }
}

}  // namespace

AddSummary& AddSummary::operator+=(const AddSummary& o) {
    rounds += o.rounds;
    added += o.added;
    extended += o.extended;
    already += o.already;
    marks += o.marks;
    cards += o.cards;
    return *this;
}

std::string SummaryText(const AddSummary& s) {
    std::string t = std::to_string(s.rounds) + (s.rounds == 1 ? " round: " : " rounds: ") +
                    std::to_string(s.added) + " new, ";
    if (s.extended)
        t += std::to_string(s.extended) + " extended, ";
    return t + std::to_string(s.already) + " already in the logbook";
}

std::string LogbookPath(const std::string& given) {
    if (!given.empty())
        return given;
    std::string env = platform::EnvironmentText("VELDRANT_LOGBOOK");
    if (!env.empty())
        return env;
    return platform::UserDataFile("logbook.sqlite3");
}

std::optional<std::pair<int, int>> CardScore(const std::vector<rounds::ScoreLine>& scores) {
    if (scores.size() < 2)
        return std::nullopt;
    int strokes = 0, putts = 0, holes = 0;
    for (int l = 0; l < 2; ++l) {
        for (size_t h = 0; h < 9; ++h) {
            if (int s = scores[static_cast<size_t>(l)].values[2 * h]) {
                strokes += s;
                putts += scores[static_cast<size_t>(l)].values[2 * h + 1];
                ++holes;
            }
        }
    }
    if (!holes)
        return std::nullopt;
    return std::pair{strokes, putts};
}

Logbook::Logbook(std::string path, std::unique_ptr<sql::Database> db)
    : path_(std::move(path)), db_(std::move(db)) {}

Logbook::~Logbook() = default;

std::unique_ptr<Logbook> Logbook::Open(const std::string& path, Mode mode,
                                       std::function<void()> busy) {
    return OpenWith(path, mode, std::move(busy), kMigrations);
}

std::unique_ptr<Logbook> Logbook::OpenWith(const std::string& path, Mode mode,
                                           std::function<void()> busy,
                                           std::span<const char* const> migrations) {
    const int64_t latest = static_cast<int64_t>(migrations.size()) + 1;
    if (path.empty())
        throw LogbookError(LogbookError::Kind::Failed,
                           "no place for the logbook: neither $VELDRANT_LOGBOOK nor a data "
                           "folder is set; name one with --logbook");
    std::error_code ec;
    fs::file_status st = fs::status(platform::Utf8Path(path), ec);
    const bool exists = fs::exists(st);
    if (exists && !fs::is_regular_file(st))
        throw LogbookError(LogbookError::Kind::Refused, path + " is not a file" + kLeftAsItWas);
    if (!exists && mode == Mode::ReadOnly)
        throw LogbookError(LogbookError::Kind::Missing,
                           path +
                               ": there is no logbook yet ('veldrant-cli logbook add "
                               "FILE.csv' makes it)");
    if (!exists) {
        fs::path parent = platform::Utf8Path(path).parent_path();
        if (!parent.empty())
            fs::create_directories(parent, ec);
        if (ec)
            throw LogbookError(LogbookError::Kind::Failed,
                               platform::PathUtf8(parent) + ": " + ec.message());
    }
    const Header seen = exists ? CheckHeader(path, latest) : Header::Empty;
    if (seen == Header::Empty && mode == Mode::ReadOnly)
        throw LogbookError(LogbookError::Kind::Missing, path + ": the logbook is empty");

    return Guarded(path, [&] {
        auto db = std::make_unique<Database>(
            path, mode == Mode::ReadOnly ? Database::Mode::ReadOnly : Database::Mode::Create,
            30000);
        if (busy)
            db->OnBusy(std::move(busy));
        db->Exec("PRAGMA foreign_keys = ON");
        // A database with nothing in it is what a logbook being made looks like until its
        // schema is in; anything else unmarked belongs to another program, unless another
        // Veldrant has just made it a logbook.
        Header header = seen;
        auto madeMeanwhile = [&] {
            const int64_t app = db->QueryInt("PRAGMA application_id");
            if (app == 0 && db->QueryInt("SELECT count(*) FROM sqlite_schema") == 0)
                return false;
            if (app != kApplicationId)
                throw LogbookError(LogbookError::Kind::Refused, NotOurs(path));
            return true;
        };
        if (header != Header::Ours && madeMeanwhile())
            header = Header::Ours;
        if (header != Header::Ours && mode == Mode::Write) {
            // Schema, id and version in one transaction: a new logbook is whole or empty. The
            // lock may have come after another Veldrant's, which made it meanwhile.
            Transaction t(*db);
            if (madeMeanwhile()) {
                header = Header::Ours;
            } else {
                db->Exec("PRAGMA application_id = " + std::to_string(kApplicationId));
                db->Exec(kSchema);
                for (const char* step : migrations)
                    db->Exec(step);
                db->Exec("PRAGMA user_version = " + std::to_string(latest));
                t.Commit();
            }
        }
        if (header == Header::Unmarked && mode == Mode::ReadOnly)
            throw LogbookError(LogbookError::Kind::Missing, path + ": the logbook is empty");
        if (header == Header::Ours) {
            // The header may be behind the write-ahead log: ask SQLite too.
            if (db->QueryInt("PRAGMA application_id") != kApplicationId)
                throw LogbookError(LogbookError::Kind::Refused,
                                   path + " is not a Veldrant logbook" + kLeftAsItWas);
            int64_t version = db->QueryInt("PRAGMA user_version");
            if (version > latest || version < 1)
                throw LogbookError(LogbookError::Kind::Refused,
                                   path + " has logbook version " + std::to_string(version) +
                                       ", which this Veldrant does not know" + kLeftAsItWas);
            if (mode == Mode::Write) {
                Statement check(*db, "PRAGMA quick_check(1)");
                std::string result = check.Step() ? check.Text(0) : "no answer";
                if (result != "ok")
                    throw LogbookError(LogbookError::Kind::Refused, Damaged(path, result));
            }
            if (mode == Mode::Write && version < latest) {
                // The file as it was goes aside before the schema changes.
                const std::string tag = "v" + std::to_string(version) + "-backup";
                std::string aside = platform::AsideName(path, tag, 1);
                for (int n = 2; platform::KindOfPath(aside) != platform::PathKind::Missing; ++n)
                    aside = platform::AsideName(path, tag, n);
                db->BackupTo(aside);
                Transaction t(*db);
                // Another Veldrant may have brought it up to date while this one waited.
                for (int64_t v = db->QueryInt("PRAGMA user_version"); v < latest; ++v)
                    db->Exec(migrations[static_cast<size_t>(v - 1)]);
                db->Exec("PRAGMA user_version = " + std::to_string(latest));
                t.Commit();
            }
        }
        if (mode == Mode::Write)
            db->Exec("PRAGMA journal_mode = WAL");
        return std::unique_ptr<Logbook>(new Logbook(path, std::move(db)));
    });
}

AddSummary Logbook::Add(const rounds::RoundFile& file, const std::string& source) {
    return Guarded(path_, [&] {
        Database& db = *db_;
        AddSummary sum;
        Transaction t(db);
        Statement findMark(db,
                           "SELECT round FROM marks WHERE at = ?1 AND golf_course = ?2 AND cid = "
                           "?3 AND hole = ?4 AND putt = ?5 AND longitude = ?6 AND latitude = ?7 "
                           "AND repeat = ?8");
        Statement addGolf(db, "INSERT OR IGNORE INTO golf_courses(id, name) VALUES(?1, ?2)");
        Statement addCourse(db,
                            "INSERT OR IGNORE INTO courses(golf_course, cid, name) VALUES(?1, "
                            "?2, ?3)");
        Statement addRound(db,
                           "INSERT INTO rounds(golf_course, start, score_time) VALUES(?1, ?2, ?3)");
        Statement addMark(db,
                          "INSERT INTO marks(round, seq, at, golf_course, cid, hole, putt, "
                          "longitude, latitude, repeat) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, "
                          "?9, ?10)");
        Statement roundCards(db,
                             "SELECT c.id, l.tag, l.word, l.vals FROM cards c JOIN card_lines l "
                             "ON l.card = c.id WHERE c.round = ?1 ORDER BY c.seq, l.line");
        Statement addCard(db, "INSERT INTO cards(round, seq) VALUES(?1, ?2)");
        Statement addLine(db,
                          "INSERT INTO card_lines(card, line, tag, word, vals) VALUES(?1, ?2, "
                          "?3, ?4, ?5)");
        Statement scoreTime(db,
                            "UPDATE rounds SET score_time = ?2 WHERE id = ?1 AND score_time IS "
                            "NULL");
        Statement roundMarks(db, "SELECT id, at FROM marks WHERE round = ?1 ORDER BY seq, id");
        Statement setSeq(db, "UPDATE marks SET seq = ?2 WHERE id = ?1");
        Statement setStart(db, "UPDATE rounds SET start = ?2 WHERE id = ?1");
        Statement link(db, "INSERT OR IGNORE INTO round_files(round, file) VALUES(?1, ?2)");
        std::optional<int64_t> fileId;

        struct Pending {
            const rounds::Mark* mark;
            const rounds::Hole* hole;
            int64_t at;
            int repeat;
        };
        for (const rounds::Round& r : file.rounds) {
            ++sum.rounds;
            // Each mark's identity; an identical mark repeated in one session is told apart by
            // how many came before it.
            std::vector<Pending> missing;
            std::optional<int64_t> target;
            std::map<std::tuple<int64_t, int, int, bool, std::string, std::string>, int> seen;
            size_t count = 0;
            for (const rounds::Hole& h : r.holes) {
                for (const rounds::Mark& m : h.marks) {
                    ++count;
                    const int64_t at = Stamp(m.time);
                    const bool putt = m.kind == rounds::MarkKind::Putt;
                    int repeat =
                        seen[{at, h.courseId, h.number, putt, m.longitudeText, m.latitudeText}]++;
                    findMark.Bind(1, at)
                        .Bind(2, r.golfCourseId)
                        .Bind(3, h.courseId)
                        .Bind(4, h.number)
                        .Bind(5, putt ? 1 : 0)
                        .Bind(6, m.longitudeText)
                        .Bind(7, m.latitudeText)
                        .Bind(8, repeat);
                    if (findMark.Step()) {
                        int64_t round = findMark.Int(0);
                        target = target ? std::min(*target, round) : round;
                    } else {
                        missing.push_back({&m, &h, at, repeat});
                    }
                    findMark.Reset();
                }
            }
            addGolf.Bind(1, r.golfCourseId).Bind(2, r.golfCourseName).Run();
            for (const rounds::Hole& h : r.holes)
                addCourse.Bind(1, r.golfCourseId).Bind(2, h.courseId).Bind(3, h.courseName).Run();

            const bool isNew = !target;
            bool changed = false;
            if (isNew) {
                addRound.Bind(1, r.golfCourseId).Bind(2, Stamp(r.start));
                if (r.hasScoreTime)
                    addRound.Bind(3, Stamp(r.scoreTime));
                addRound.Run();
                target = db.LastInsertId();
            }
            int64_t seq = isNew ? 0 : 1 << 30;
            for (const Pending& p : missing) {
                addMark.Bind(1, *target)
                    .Bind(2, seq++)
                    .Bind(3, p.at)
                    .Bind(4, r.golfCourseId)
                    .Bind(5, p.hole->courseId)
                    .Bind(6, p.hole->number)
                    .Bind(7, p.mark->kind == rounds::MarkKind::Putt ? 1 : 0)
                    .Bind(8, p.mark->longitudeText)
                    .Bind(9, p.mark->latitudeText)
                    .Bind(10, p.repeat)
                    .Run();
            }
            sum.marks += missing.size();
            if (!isNew && !missing.empty()) {
                // The round's marks in the order they were made; marks of one second keep the
                // order they came in.
                std::vector<std::pair<int64_t, int64_t>> marks;  // id, at
                roundMarks.Bind(1, *target);
                while (roundMarks.Step())
                    marks.emplace_back(roundMarks.Int(0), roundMarks.Int(1));
                roundMarks.Reset();
                std::stable_sort(marks.begin(), marks.end(),
                                 [](auto& a, auto& b) { return a.second < b.second; });
                for (size_t i = 0; i < marks.size(); ++i)
                    setSeq.Bind(1, marks[i].first).Bind(2, static_cast<int64_t>(i)).Run();
                setStart.Bind(1, *target).Bind(2, marks.front().second).Run();
                changed = true;
            }
            if (!isNew && r.hasScoreTime) {
                scoreTime.Bind(1, *target).Bind(2, Stamp(r.scoreTime)).Run();
                changed = changed || db.Changes() > 0;
            }

            // Score cards, each once per round.
            std::vector<std::vector<rounds::ScoreLine>> held;
            if (!isNew) {
                roundCards.Bind(1, *target);
                int64_t card = -1;
                while (roundCards.Step()) {
                    if (roundCards.Int(0) != card) {
                        card = roundCards.Int(0);
                        held.emplace_back();
                    }
                    rounds::ScoreLine l;
                    l.tag = roundCards.Blob(1);
                    l.word = static_cast<uint32_t>(roundCards.Int(2));
                    l.values = BlobValues(roundCards.Blob(3));
                    held.back().push_back(std::move(l));
                }
                roundCards.Reset();
            }
            for (auto& card : Cards(r.scores)) {
                if (std::any_of(held.begin(), held.end(),
                                [&](const auto& h) { return SameLines(h, card); }))
                    continue;
                addCard.Bind(1, *target).Bind(2, static_cast<int64_t>(held.size())).Run();
                const int64_t cardId = db.LastInsertId();
                for (size_t i = 0; i < card.size(); ++i) {
                    addLine.Bind(1, cardId)
                        .Bind(2, static_cast<int64_t>(i))
                        .BindBlob(3, card[i].tag)
                        .Bind(4, static_cast<int64_t>(card[i].word))
                        .BindBlob(5, ValuesBlob(card[i].values))
                        .Run();
                }
                held.push_back(std::move(card));
                ++sum.cards;
                changed = true;
            }

            if (isNew)
                ++sum.added;
            else if (changed)
                ++sum.extended;
            else
                ++sum.already;
            if (isNew || changed) {
                if (!fileId) {
                    Statement f(db, "INSERT OR IGNORE INTO files(name, added) VALUES(?1, ?2)");
                    f.Bind(1, source).Bind(2, NowText()).Run();
                    Statement id(db, "SELECT id FROM files WHERE name = ?1");
                    id.Bind(1, source);
                    id.Step();
                    fileId = id.Int(0);
                }
                link.Bind(1, *target).Bind(2, *fileId).Run();
            }
            (void)count;
        }
        t.Commit();
        return sum;
    });
}

std::vector<LoggedRound> Logbook::Rounds(const RoundFilter& filter) {
    return Load(filter, true);
}

std::vector<LoggedRound> Logbook::StoredRounds(const RoundFilter& filter) {
    return Load(filter, false);
}

std::vector<LoggedRound> Logbook::Load(const RoundFilter& filter, bool padCards) {
    return Guarded(path_, [&] {
        Database& db = *db_;
        const std::string sel = Selection(filter);
        Transaction snapshot(db, false);
        std::map<NineKey, std::string> courses = Courses();

        std::vector<LoggedRound> out;
        std::unordered_map<int64_t, size_t> index;
        Statement rs(db,
                     "SELECT r.id, r.golf_course, g.name, r.start, r.score_time, r.front_course, "
                     "r.back_course FROM rounds r JOIN golf_courses g ON g.id = r.golf_course "
                     "WHERE r.id IN " +
                         sel + " ORDER BY r.start, r.id");
        while (rs.Step()) {
            LoggedRound lr;
            lr.id = rs.Int(0);
            lr.round.number = static_cast<int>(out.size()) + 1;
            lr.round.golfCourseId = static_cast<int>(rs.Int(1));
            lr.round.golfCourseName = rs.Text(2);
            lr.round.start = FromStamp(rs.Int(3));
            if (!rs.IsNull(4)) {
                lr.round.hasScoreTime = true;
                lr.round.scoreTime = FromStamp(rs.Int(4));
            }
            if (!rs.IsNull(5))
                lr.frontCourseId = static_cast<int>(rs.Int(5));
            if (!rs.IsNull(6))
                lr.backCourseId = static_cast<int>(rs.Int(6));
            index[lr.id] = out.size();
            out.push_back(std::move(lr));
        }

        Statement ms(db,
                     "SELECT round, at, cid, hole, putt, longitude, latitude FROM marks WHERE "
                     "round IN " +
                         sel + " ORDER BY round, seq");
        while (ms.Step()) {
            rounds::Round& r = out[index.at(ms.Int(0))].round;
            const int cid = static_cast<int>(ms.Int(2)), number = static_cast<int>(ms.Int(3));
            if (r.holes.empty() || r.holes.back().courseId != cid ||
                r.holes.back().number != number) {
                rounds::Hole h;
                h.courseId = cid;
                h.number = number;
                auto name = courses.find({r.golfCourseId, cid});
                if (name != courses.end())
                    h.courseName = name->second;
                r.holes.push_back(std::move(h));
            }
            rounds::Mark m;
            m.time = FromStamp(ms.Int(1));
            m.kind = ms.Int(4) ? rounds::MarkKind::Putt : rounds::MarkKind::Shot;
            m.longitudeText = ms.Text(5);
            m.latitudeText = ms.Text(6);
            std::from_chars(m.longitudeText.data(), m.longitudeText.data() + m.longitudeText.size(),
                            m.longitude);
            std::from_chars(m.latitudeText.data(), m.latitudeText.data() + m.latitudeText.size(),
                            m.latitude);
            r.holes.back().marks.push_back(std::move(m));
        }

        Statement cs(db,
                     "SELECT c.round, c.id, l.tag, l.word, l.vals FROM cards c JOIN card_lines l "
                     "ON l.card = c.id WHERE c.round IN " +
                         sel + " ORDER BY c.round, c.seq, l.line");
        while (cs.Step()) {
            rounds::ScoreLine l;
            l.tag = cs.Blob(2);
            l.word = static_cast<uint32_t>(cs.Int(3));
            l.values = BlobValues(cs.Blob(4));
            l.line = static_cast<int>(cs.Int(1));  // the card, while the lines are gathered
            out[index.at(cs.Int(0))].round.scores.push_back(std::move(l));
        }
        snapshot.Commit();

        for (LoggedRound& lr : out) {
            rounds::MeasureRound(lr.round);
            lr.round.scores = Ungrouped(lr.round.scores, padCards);
        }
        return out;
    });
}

std::vector<RoundSummary> Logbook::List(const RoundFilter& filter) {
    return Guarded(path_, [&] {
        Database& db = *db_;
        const std::string sel = Selection(filter);
        Transaction snapshot(db, false);
        std::vector<RoundSummary> out;
        std::unordered_map<int64_t, size_t> index;
        Statement rs(db,
                     "SELECT r.id, r.start, r.golf_course, g.name, m.n, m.p, m.h, EXISTS(SELECT 1 "
                     "FROM cards c WHERE c.round = r.id) FROM rounds r JOIN golf_courses g ON "
                     "g.id = r.golf_course LEFT JOIN (SELECT round, COUNT(*) AS n, SUM(putt) AS "
                     "p, COUNT(DISTINCT cid * 32 + hole) AS h FROM marks GROUP BY round) m ON "
                     "m.round = r.id WHERE r.id IN " +
                         sel + " ORDER BY r.start, r.id");
        while (rs.Step()) {
            RoundSummary s;
            s.id = rs.Int(0);
            s.start = FromStamp(rs.Int(1));
            s.golfCourseId = static_cast<int>(rs.Int(2));
            s.golfCourse = rs.Text(3);
            s.marks = static_cast<int>(rs.Int(4));
            s.putts = static_cast<int>(rs.Int(5));
            s.holes = static_cast<int>(rs.Int(6));
            s.card = rs.Int(7) != 0;
            index[s.id] = out.size();
            out.push_back(std::move(s));
        }
        Statement cs(db,
                     "SELECT c.round, l.vals FROM cards c JOIN card_lines l ON l.card = c.id "
                     "WHERE c.seq = 0 AND l.line < 2 AND c.round IN " +
                         sel + " ORDER BY c.round, l.line");
        std::unordered_map<int64_t, std::vector<rounds::ScoreLine>> first;
        while (cs.Step()) {
            rounds::ScoreLine l;
            l.values = BlobValues(cs.Blob(1));
            first[cs.Int(0)].push_back(l);
        }
        snapshot.Commit();
        for (auto& [round, lines] : first) {
            if (auto score = CardScore(lines)) {
                out[index.at(round)].score = score->first;
                out[index.at(round)].cardPutts = score->second;
            }
        }
        return out;
    });
}

CourseSetup Logbook::Setup() {
    return Guarded(path_, [&] {
        CourseSetup setup;
        Transaction snapshot(*db_, false);
        Statement hs(*db_, "SELECT golf_course, cid, number, par, stroke_index FROM holes");
        while (hs.Step()) {
            HoleKey k{static_cast<int>(hs.Int(0)), static_cast<int>(hs.Int(1)),
                      static_cast<int>(hs.Int(2))};
            if (!hs.IsNull(3))
                setup.par[k] = static_cast<int>(hs.Int(3));
            if (!hs.IsNull(4))
                setup.strokeIndex[k] = static_cast<int>(hs.Int(4));
        }
        Statement rs(*db_,
                     "SELECT golf_course, cid, course_rating, slope FROM courses WHERE "
                     "course_rating IS NOT NULL AND slope IS NOT NULL");
        while (rs.Step())
            setup.ratings[{static_cast<int>(rs.Int(0)), static_cast<int>(rs.Int(1))}] = {
                rs.Real(2), static_cast<int>(rs.Int(3))};
        snapshot.Commit();
        return setup;
    });
}

std::vector<std::string> Logbook::Sources(int64_t round) {
    return Guarded(path_, [&] {
        std::vector<std::string> out;
        Statement s(*db_,
                    "SELECT f.name FROM files f JOIN round_files rf ON rf.file = f.id WHERE "
                    "rf.round = ?1 ORDER BY f.id");
        s.Bind(1, round);
        while (s.Step())
            out.push_back(s.Text(0));
        return out;
    });
}

bool Logbook::Remove(int64_t round) {
    return Guarded(path_, [&] {
        Transaction t(*db_);
        Statement s(*db_, "DELETE FROM rounds WHERE id = ?1");
        s.Bind(1, round).Run();
        bool removed = db_->Changes() > 0;
        t.Commit();
        return removed;
    });
}

void Logbook::SetHole(const HoleKey& hole, std::optional<int> par, std::optional<int> strokeIndex) {
    Guarded(path_, [&] {
        Transaction t(*db_);
        RequireCourse({hole.golfCourseId, hole.courseId});
        Statement s(*db_,
                    "INSERT INTO holes(golf_course, cid, number, par, stroke_index) VALUES(?1, "
                    "?2, ?3, ?4, ?5) ON CONFLICT DO UPDATE SET par = excluded.par, stroke_index "
                    "= excluded.stroke_index");
        s.Bind(1, hole.golfCourseId).Bind(2, hole.courseId).Bind(3, hole.hole);
        par ? s.Bind(4, *par) : s.BindNull(4);
        strokeIndex ? s.Bind(5, *strokeIndex) : s.BindNull(5);
        s.Run();
        db_->Exec("DELETE FROM holes WHERE par IS NULL AND stroke_index IS NULL");
        t.Commit();
    });
}

void Logbook::SetRating(const NineKey& nine, std::optional<NineRating> rating) {
    Guarded(path_, [&] {
        Transaction t(*db_);
        RequireCourse(nine);
        Statement s(*db_,
                    "UPDATE courses SET course_rating = ?3, slope = ?4 WHERE golf_course = ?1 "
                    "AND cid = ?2");
        s.Bind(1, nine.golfCourseId).Bind(2, nine.courseId);
        rating ? s.Bind(3, rating->courseRating) : s.BindNull(3);
        rating ? s.Bind(4, rating->slope) : s.BindNull(4);
        s.Run();
        t.Commit();
    });
}

void Logbook::SetNine(int64_t round, bool back, std::optional<int> courseId) {
    Guarded(path_, [&] {
        Transaction t(*db_);
        Statement r(*db_, "SELECT golf_course FROM rounds WHERE id = ?1");
        r.Bind(1, round);
        if (!r.Step())
            throw LogbookError(LogbookError::Kind::Failed,
                               "the logbook has no round " + std::to_string(round));
        if (courseId)
            RequireCourse({static_cast<int>(r.Int(0)), *courseId});
        Statement s(*db_, back ? "UPDATE rounds SET back_course = ?2 WHERE id = ?1"
                               : "UPDATE rounds SET front_course = ?2 WHERE id = ?1");
        s.Bind(1, round);
        courseId ? s.Bind(2, *courseId) : s.BindNull(2);
        s.Run();
        t.Commit();
    });
}

void Logbook::RequireCourse(const NineKey& nine) {
    Statement s(*db_, "SELECT 1 FROM courses WHERE golf_course = ?1 AND cid = ?2");
    s.Bind(1, nine.golfCourseId).Bind(2, nine.courseId);
    if (!s.Step())
        throw LogbookError(LogbookError::Kind::Failed,
                           "the logbook knows no course " + std::to_string(nine.courseId) +
                               " of golf course " + std::to_string(nine.golfCourseId) +
                               " (a course comes in with the marks of a round played on it)");
}

std::map<int, std::string> Logbook::GolfCourses() {
    return Guarded(path_, [&] {
        std::map<int, std::string> out;
        Statement s(*db_, "SELECT id, name FROM golf_courses");
        while (s.Step())
            out[static_cast<int>(s.Int(0))] = s.Text(1);
        return out;
    });
}

std::map<NineKey, std::string> Logbook::Courses() {
    return Guarded(path_, [&] {
        std::map<NineKey, std::string> out;
        Statement s(*db_, "SELECT golf_course, cid, name FROM courses");
        while (s.Step())
            out[{static_cast<int>(s.Int(0)), static_cast<int>(s.Int(1))}] = s.Text(2);
        return out;
    });
}

void Logbook::Backup(const std::string& path) {
    std::string error;
    std::unique_ptr<platform::SafeOutput> out = platform::SafeOutput::Create(path, &error);
    if (!out)
        throw LogbookError(LogbookError::Kind::Failed, error);
    out->HandOver();
    Guarded(path_, [&] { db_->BackupTo(out->TempPath()); });
    if (!out->Commit())
        throw LogbookError(LogbookError::Kind::Failed, out->Error());
}

std::vector<std::string> Logbook::Check() {
    return Guarded(path_, [&] {
        std::vector<std::string> found;
        Statement ic(*db_, "PRAGMA integrity_check");
        while (ic.Step()) {
            if (ic.Text(0) != "ok")
                found.push_back(ic.Text(0));
        }
        Statement fk(*db_, "PRAGMA foreign_key_check");
        while (fk.Step())
            found.push_back("row " + std::to_string(fk.Int(1)) + " of " + fk.Text(0) +
                            " refers to a missing row of " + fk.Text(2));
        return found;
    });
}

std::string Logbook::Fingerprint() {
    return Guarded(path_, [&] {
        // A removed round's id may come again, its start hardly with the same marks.
        Statement q(*db_,
                    "SELECT (SELECT count(*) || ':' || ifnull(max(id), 0) || ':' || total(start) "
                    "FROM rounds) || '/' || (SELECT count(*) || ':' || ifnull(max(id), 0) FROM "
                    "marks) || '/' || (SELECT count(*) || ':' || ifnull(max(id), 0) FROM cards)");
        return q.Step() ? q.Text(0) : std::string();
    });
}

}  // namespace veldrant::logbook
