// What the logbook hands to its statistics and takes from the golfer: the rounds as the rounds
// reader reads them, each with its logbook id, and the figures a golfer enters once per course
// (par and stroke index per hole, the rating and slope per nine). Plain data, no SQLite.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <tuple>
#include <vector>

#include "rounds/Round.h"

namespace veldrant::logbook {

struct LoggedRound {
    int64_t id = 0;
    // The round with its holes and marks (measured) as a session of a mark CSV file reads. Its
    // `scores` hold the round's score cards, each card once, eight lines per card in the file's
    // order (players 1 to 4, the holes 1-9 line before the holes 10-18 line), the first card
    // first.
    rounds::Round round;
    // The course (CID) the golfer picked for a nine that has no marks to tell: card holes 1-9
    // and 10-18.
    std::optional<int> frontCourseId, backCourseId;
};

// A hole of one course (a nine) of a golf course, as the marks name it.
struct HoleKey {
    int golfCourseId = 0;
    int courseId = 0;
    int hole = 0;  // the hole's number on its course, 1-9 (the watch's numbers up to 31 pass)
    auto operator<=>(const HoleKey&) const = default;
};

struct NineKey {
    int golfCourseId = 0;
    int courseId = 0;
    auto operator<=>(const NineKey&) const = default;
};

// The ratings of the tees the golfer plays on one nine.
struct NineRating {
    double courseRating = 0;  // nine-hole course rating, e.g. 35.8
    int slope = 0;            // nine-hole slope rating, 55-155
};

struct CourseSetup {
    std::map<HoleKey, int> par;          // 3-6
    std::map<HoleKey, int> strokeIndex;  // 1-18, the hole's index when played in an 18
    std::map<NineKey, NineRating> ratings;
};

}  // namespace veldrant::logbook
