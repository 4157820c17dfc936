// An unofficial handicap index after the World Handicap System: each 18-hole score's
// differential from the tees' course rating and slope, hole scores held to net double bogey, and
// the index from the lowest differentials of the most recent twenty. No playing conditions
// calculation (taken as 0), no caps and no exceptional score reduction: a guide for the golfer,
// not an index a club would issue. Figures in tenths are kept as integers so that every rounding
// is exact.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "rounds/Round.h"

namespace veldrant::logbook {

inline constexpr int kMaximumIndexTenths = 540;

// One 18-hole round as the handicap needs it, holes in the card's order.
struct HandicapRound {
    int64_t id = 0;
    rounds::LocalTime start;
    std::array<int, 18> strokes{};
    std::array<int, 18> par{};
    std::array<int, 18> strokeIndex{};
    int ratingTenths = 0;  // 18-hole course rating, 72.3 as 723
    int slope = 0;
};

struct HandicapScore {
    int64_t id = 0;
    rounds::LocalTime start;
    int gross = 0;
    int adjustedGross = 0;  // hole scores held to net double bogey (par + 5 before an index)
    int differentialTenths = 0;
    std::optional<int> indexBeforeTenths;  // the index the round was adjusted with
};

struct HandicapResult {
    std::vector<HandicapScore> scores;  // in the order played
    std::optional<int> indexTenths;     // from three scores on
    int used = 0;                       // how many differentials the index averages
};

// Strokes a course handicap gives on the hole of this stroke index (negative for a plus
// handicap, which gives strokes back from stroke index 18 down).
int StrokesReceived(int courseHandicap, int strokeIndex);
// Handicap index × slope / 113 + (course rating − par), to the nearest whole number.
int CourseHandicap(int indexTenths, int slope, int ratingTenths, int par);
// 113 / slope × (adjusted gross − course rating), to the nearest tenth.
int ScoreDifferentialTenths(int adjustedGross, int ratingTenths, int slope);
// The index from differentials in the order played: the lowest 8 of the most recent 20, or the
// table's fewer lowest and its adjustment below 20; nothing below 3. `used` gets the count.
std::optional<int> IndexTenths(std::span<const int> differentialsTenths, int* used = nullptr);

// Rounds in the order played; each is adjusted with the index of the rounds before it.
HandicapResult ComputeHandicap(std::span<const HandicapRound> rounds);

}  // namespace veldrant::logbook
