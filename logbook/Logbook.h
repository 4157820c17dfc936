// The logbook: every round a golfer ever imported, kept once, in one SQLite file of the user's
// data folder. A round is a session of a mark CSV file (a day at one golf course); a mark is
// known by everything the file says of it, so that adding a file again, or a later download that
// repeats earlier rounds, adds only what is new. Every change is one transaction.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "logbook/Records.h"
#include "rounds/Round.h"

namespace veldrant::logbook {

namespace sql {
class Database;
}

// The schema this program writes; a file with a higher number comes from a newer Veldrant.
inline constexpr int kSchemaVersion = 1;
// PRAGMA application_id of every logbook: "VLDB".
inline constexpr int32_t kApplicationId = 0x564C4442;

// Why a logbook could not be opened or changed. The message names the file and the reason.
class LogbookError : public std::runtime_error {
public:
    enum class Kind { Missing, Refused, Busy, Failed };
    LogbookError(Kind kind, const std::string& what) : std::runtime_error(what), kind_(kind) {}
    Kind GetKind() const { return kind_; }

private:
    Kind kind_;
};

// The logbook's file: `given` when not empty (--logbook), else $VELDRANT_LOGBOOK, else
// logbook.sqlite3 in the user's data folder. Empty when none of them names one.
std::string LogbookPath(const std::string& given = {});

// What adding one file did. A round is new (no mark of it was in the logbook), extended (it
// shared a mark with a logged round, which gained its other marks or a score card) or already
// there (nothing new).
struct AddSummary {
    size_t rounds = 0, added = 0, extended = 0, already = 0;
    size_t marks = 0, cards = 0;  // marks and score cards added
    AddSummary& operator+=(const AddSummary& o);
};
// "12 rounds: 1 new, 11 already in the logbook" ("..., 2 extended, ..." when some were).
std::string SummaryText(const AddSummary& s);

// Which rounds to load: all by default, oldest first.
struct RoundFilter {
    std::optional<int> golfCourseId{};
    std::optional<std::string> since{}, until{};  // "YYYY-MM-DD", both included
    std::optional<size_t> last{};                 // the newest N of those
    std::optional<int64_t> id{};
};

// One line of the rounds list.
struct RoundSummary {
    int64_t id = 0;
    rounds::LocalTime start;
    int golfCourseId = 0;
    std::string golfCourse;
    int holes = 0;  // holes with at least one mark
    int marks = 0, putts = 0;
    bool card = false;
    // Player 1's strokes and putts over the non-zero holes of the round's first card.
    std::optional<int> score, cardPutts;
};

// The first card's player 1 strokes and putts over its holes with strokes; nullopt without a
// card or without such a hole. `scores` as LoggedRound holds them.
std::optional<std::pair<int, int>> CardScore(const std::vector<rounds::ScoreLine>& scores);

class Logbook {
public:
    enum class Mode { ReadOnly, Write };

    // Opens the logbook at `path`. Write makes the file (and its folder) when there is none,
    // and brings an older schema up to date after copying the file aside. A file that is not a
    // Veldrant logbook, is damaged or comes from a newer Veldrant is refused and left as it was.
    // `busy` is called whenever another program is writing and this one has waited for it
    // 100 ms and goes on waiting (up to 30 s).
    static std::unique_ptr<Logbook> Open(const std::string& path, Mode mode,
                                         std::function<void()> busy = {});
    // As Open, with another history of the schema: `migrations[i]` brings a file from version
    // i + 1 to i + 2, so the schema is version migrations.size() + 1 (what a later Veldrant
    // will do; the tests give a version 2 ahead of time).
    static std::unique_ptr<Logbook> OpenWith(const std::string& path, Mode mode,
                                             std::function<void()> busy,
                                             std::span<const char* const> migrations);
    ~Logbook();

    const std::string& Path() const { return path_; }

    // Adds the rounds of one mark CSV file (read by the rounds reader) in one transaction;
    // `source` names the file in the logbook's list of files.
    AddSummary Add(const rounds::RoundFile& file, const std::string& source);

    // The rounds, measured, each with its score cards (eight lines a card).
    std::vector<LoggedRound> Rounds(const RoundFilter& filter = {});
    // The same with each card's lines exactly as stored (no empty player slots added back),
    // for writing the rounds out again.
    std::vector<LoggedRound> StoredRounds(const RoundFilter& filter = {});
    std::vector<RoundSummary> List(const RoundFilter& filter = {});
    CourseSetup Setup();
    // The files a round came from, as they were named when added.
    std::vector<std::string> Sources(int64_t round);

    // False when there is no such round.
    bool Remove(int64_t round);
    // Par and stroke index of a course hole (nullopt clears); the course must be in the logbook.
    void SetHole(const HoleKey& hole, std::optional<int> par, std::optional<int> strokeIndex);
    void SetRating(const NineKey& nine, std::optional<NineRating> rating);
    // The course played on card holes 1-9 (back false) or 10-18 of a round; nullopt clears.
    void SetNine(int64_t round, bool back, std::optional<int> courseId);
    // The names the logbook knows: golf course id -> name, and its courses.
    std::map<int, std::string> GolfCourses();
    std::map<NineKey, std::string> Courses();

    // A consistent copy of the whole logbook at `path`, also while another program writes.
    void Backup(const std::string& path);
    // SQLite's integrity check and the foreign key check: empty when all is well, else what
    // they found.
    std::vector<std::string> Check();
    // Differs whenever rounds, marks or score cards have been added or removed since it was last
    // asked (also by another program); quick enough to ask each time a view is shown.
    std::string Fingerprint();

private:
    Logbook(std::string path, std::unique_ptr<sql::Database> db);
    std::vector<LoggedRound> Load(const RoundFilter& filter, bool padCards);
    void RequireCourse(const NineKey& nine);
    std::string path_;
    std::unique_ptr<sql::Database> db_;
};

}  // namespace veldrant::logbook
