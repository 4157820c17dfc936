// The handicap index's pieces against figures worked out by hand.
#include <gtest/gtest.h>

#include <numeric>

#include "logbook/Handicap.h"

namespace veldrant::logbook {
namespace {

TEST(Handicap, IndexTakesTheTablesLowestDifferentialsAndAdjustment) {
    struct Case {
        int count;     // differentials 10.0, 11.0, ... played in this order, the highest first
        int expected;  // tenths; -1: no index
    };
    const Case cases[] = {
        {2, -1},   {3, 80},  // lowest 1 (10.0) - 2.0
        {4, 90},             // lowest 1 - 1.0
        {5, 100},            // lowest 1
        {6, 95},             // (10.0 + 11.0) / 2 - 1.0
        {8, 105},            // (10.0 + 11.0) / 2
        {9, 110},            // (10 + 11 + 12) / 3
        {11, 110},           //
        {12, 115},           // (10 + ... + 13) / 4
        {14, 115},           //
        {16, 120},           // (10 + ... + 14) / 5
        {17, 125},           // (10 + ... + 15) / 6
        {19, 130},           // (10 + ... + 16) / 7
        {20, 135},           // (10 + ... + 17) / 8
    };
    for (const Case& c : cases) {
        std::vector<int> d;
        for (int i = 0; i < c.count; ++i)
            d.push_back((10 + c.count - 1 - i) * 10);
        EXPECT_EQ(IndexTenths(d).value_or(-1), c.expected) << c.count;
    }
    // Five older scores of 1.0 before those twenty are not among the most recent 20.
    std::vector<int> d(5, 10);
    for (int i = 0; i < 20; ++i)
        d.push_back((29 - i) * 10);
    EXPECT_EQ(IndexTenths(d), 135);
}

TEST(Handicap, IndexRoundsHalvesUpAndStopsAt54) {
    // (5.1 + 5.2) / 2 = 5.15 -> 5.2
    const std::vector<int> halves = {90, 51, 90, 52, 90, 90, 90};
    EXPECT_EQ(IndexTenths(halves), 52);
    // 60.0 - 2.0 = 58.0, above the highest index
    const std::vector<int> high = {600, 600, 600};
    EXPECT_EQ(IndexTenths(high), 540);
}

TEST(Handicap, CourseHandicapAndStrokesReceived) {
    // 8.1 x 123 / 113 + (71.9 - 72) = 8.8168 - 0.1 = 8.717 -> 9
    EXPECT_EQ(CourseHandicap(81, 123, 719, 72), 9);
    // 113 x (94 - 71.9) / 123 = 2497.3 / 123 = 20.30 -> 20.3
    EXPECT_EQ(ScoreDifferentialTenths(94, 719, 123), 203);
    // 113 x (70 - 71.9) / 123 = -214.7 / 123 = -1.745 -> -1.7
    EXPECT_EQ(ScoreDifferentialTenths(70, 719, 123), -17);
    struct Case {
        int courseHandicap, strokeIndex, strokes;
    };
    const Case cases[] = {
        {0, 1, 0},  {9, 9, 1},   {9, 10, 0},   {18, 18, 1},  {20, 2, 2},
        {20, 3, 1}, {-2, 16, 0}, {-2, 17, -1}, {-2, 18, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StrokesReceived(c.courseHandicap, c.strokeIndex), c.strokes)
            << c.courseHandicap << " " << c.strokeIndex;
}

}  // namespace
}  // namespace veldrant::logbook
