// The logbook's figures over a chosen range of rounds, from two sources that can disagree and
// are kept apart: the score cards (player 1 of each round's first card) and the marks. Figures
// that need par exist only for holes whose par the golfer entered; nothing is guessed.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "logbook/Card.h"
#include "logbook/Handicap.h"
#include "logbook/Records.h"

namespace veldrant::logbook {

struct Day {
    int year = 0, month = 0, day = 0;
    auto operator<=>(const Day&) const = default;
};

// Which rounds count; the parts combine. `last` keeps the most recent N of the others' rounds.
struct Range {
    std::optional<int> year = {};
    std::optional<Day> since = {}, until = {};  // both days included
    std::optional<int> last = {};
    std::optional<int> golfCourseId = {};
};

// One hole's averages over the times it was played. For the card a hole is the golf course's
// card hole 1-18 (courseId 0); for the marks it is the course's hole number.
struct HoleFigures {
    int golfCourseId = 0;
    int courseId = 0;
    int hole = 0;
    int played = 0;
    double strokes = 0;
    double putts = 0;
    std::optional<double> toPar;  // when par was known every time the hole was played
};

struct CardFigures {
    int rounds = 0;  // rounds with a card
    int rounds18 = 0, rounds9 = 0;
    std::optional<double> scoreAverage18, puttsPerRound18;
    std::optional<int> bestScore18;
    std::optional<double> scoreAverage9, puttsPerRound9;
    std::optional<int> bestScore9;
    int holes = 0;  // holes played on every card, 9- and 18-hole ones and the rest
    std::optional<double> puttsPerHole, onePuttRate, threePuttRate;  // three or more putts
    std::vector<HoleFigures> holeFigures;  // by golf course, its hardest holes first
};

// From the card's holes whose par is known.
struct ParFigures {
    int holes = 0;
    int rounds18 = 0;  // 18-hole cards with par on every hole
    std::optional<double> toParAverage18;
    std::optional<int> bestToPar18;
    int birdiesOrBetter = 0, pars = 0, bogeys = 0, doubleBogeysOrWorse = 0;
    int greens = 0;  // in regulation: strokes − putts ≤ par − 2
    double greenRate = 0;
    std::optional<double> puttsPerGreen;
    int scrambleChances = 0, scrambles = 0;  // holes missing the green; par or better on them
    std::optional<double> scrambling;
};

struct TeeShots {
    int count = 0;
    std::optional<double> averageMetres, medianMetres, longestMetres;
};

struct MarkFigures {
    int rounds = 0;  // rounds with marks
    int marks = 0, shots = 0, putts = 0;
    std::optional<double> shotsPerRound, puttsPerRound;
    TeeShots teeShot;
    std::vector<HoleFigures> holeFigures;  // by golf course, course and hole number
};

// A round of the range in the order played, for the trends.
struct TrendPoint {
    int64_t id = 0;
    rounds::LocalTime start;
    int golfCourseId = 0;
    CardKind kind = CardKind::Partial;
    std::optional<int> score, putts, toPar;  // from the card
    // Over this round and the four before it with a card of the same kind (18 or 9 holes).
    std::optional<double> scoreAverage5, puttsAverage5;
};

struct Stats {
    int rounds = 0;
    std::map<int, std::string> golfCourseNames;  // of the range's rounds, by GCID
    CardFigures card;
    std::optional<ParFigures> par;  // when some card hole's par is known
    MarkFigures marks;
    HandicapResult handicap;  // 18-hole rounds with ratings, par and stroke index on both nines
    std::vector<TrendPoint> trend;
};

// The rounds of the range in the order played (by start, then id).
std::vector<const LoggedRound*> SelectRounds(const std::vector<LoggedRound>& rounds,
                                             const Range& range);

// The courses (CID) of a round's card holes 1-9 and 10-18: the first and second course its
// marks were made on (a 9-hole card's one course goes to its nine), else the golfer's pick.
std::array<std::optional<int>, 2> NineCourses(const LoggedRound& round, const Card& card);

Stats ComputeStats(const std::vector<LoggedRound>& rounds, const CourseSetup& setup,
                   const Range& range);

}  // namespace veldrant::logbook
