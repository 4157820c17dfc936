// Shot distances, outliers and the figures of holes and rounds, from files the export wrote.
#include <gtest/gtest.h>

#include <numbers>

#include "rounds/Measure.h"
#include "rounds/RoundReader.h"
#include "tests/rounds/RoundFiles.h"

namespace veldrant::rounds {
namespace {

using namespace test;

// WGS84: equatorial radius and flattening.
constexpr double kA = 6378137.0;
constexpr double kF = 1 / 298.257223563;
constexpr double kDeg = std::numbers::pi / 180.0;

Round ReadOne(const std::vector<WatchMark>& marks) {
    ReadResult r = ReadRounds(ExportedFile({{marks, {}}}));
    EXPECT_TRUE(r.ok()) << r.error;
    if (!r.ok() || r.file.rounds.size() != 1)
        return {};
    return r.file.rounds[0];
}

TEST(Distances, AgreeWithTheEllipsoidWithinACentimetre) {
    const double e2 = kF * (2 - kF);
    struct Case {
        const char* name;
        double lon1, lat1, lon2, lat2;
        double metres;
    };
    const Case cases[] = {
        // Along the equator a geodesic is the equator: a times the angle.
        {"equator", 10.0, 0.0, 10.001, 0.0, kA * 0.001 * kDeg},
        // Along a meridian near the equator: the meridian's radius of curvature there, a(1 - e2),
        // times the angle (the curvature's change over 0.005 degree is far below a millimetre).
        {"meridian", 10.0, 0.0, 10.0, 0.005, kA * (1 - e2) * 0.005 * kDeg},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_NEAR(GeodesicMetres(c.lat1, c.lon1, c.lat2, c.lon2), c.metres, 0.01);
        Round round = ReadOne({At(1, c.lon1, c.lat1), At(1, c.lon2, c.lat2)});
        ASSERT_EQ(round.holes.size(), 1u);
        ASSERT_TRUE(round.holes[0].marks[0].distance);
        EXPECT_NEAR(*round.holes[0].marks[0].distance, c.metres, 0.01);
        EXPECT_FALSE(round.holes[0].marks[1].distance);  // the hole's last mark
    }
    EXPECT_NEAR(Yards(91.44), 100.0, 1e-9);
}

TEST(Distances, OutliersGetNoDistanceAndAreStepppedOver) {
    // About 100 m steps northwards from (139.7, 35.6); "far" is 5 km off.
    auto north = [](int steps) { return 35.6 + steps * 0.0009; };
    struct Case {
        const char* name;
        std::vector<std::pair<double, double>> places;  // lon, lat
        std::vector<bool> outlier;
        std::vector<int> measuresTo;  // index of the mark each one measures to, -1 none
    };
    const Case cases[] = {
        {"clean",
         {{139.7, north(0)}, {139.7, north(1)}, {139.7, north(2)}},
         {false, false, false},
         {1, 2, -1}},
        {"0/0 in the middle",
         {{139.7, north(0)}, {0, 0}, {139.7, north(2)}},
         {false, true, false},
         {2, -1, -1}},
        {"far in the middle",
         {{139.7, north(0)}, {139.75, north(0)}, {139.7, north(2)}},
         {false, true, false},
         {2, -1, -1}},
        {"far at the end",
         {{139.7, north(0)}, {139.7, north(1)}, {139.75, north(1)}},
         {false, false, true},
         {1, -1, -1}},
        {"off the globe",
         {{139.7, north(0)}, {200.0, north(1)}, {139.7, north(2)}},
         {false, true, false},
         {2, -1, -1}},
        // Nothing to compare a lone mark with: it stands unless it is at 0/0.
        {"alone", {{139.7, north(0)}}, {false}, {-1}},
        {"alone at 0/0", {{0, 0}}, {true}, {-1}},
        // Two marks 1.2 km apart: each is over 1000 m from every other mark of the hole.
        {"two far apart", {{139.7, north(0)}, {139.7, north(13)}}, {true, true}, {-1, -1}},
        // 999 m is near enough (the rough sphere test must not decide it alone).
        {"999 m", {{139.7, 35.6}, {139.7, 35.6 + 999.0 / 110940.0}}, {false, false}, {1, -1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<WatchMark> marks;
        for (auto [lon, lat] : c.places)
            marks.push_back(At(5, lon, lat, false, static_cast<int>(marks.size())));
        Round round = ReadOne(marks);
        ASSERT_EQ(round.holes.size(), 1u);
        const Hole& hole = round.holes[0];
        for (size_t i = 0; i < hole.marks.size(); ++i) {
            SCOPED_TRACE(i);
            const Mark& m = hole.marks[i];
            EXPECT_EQ(m.outlier, c.outlier[i]);
            int to = c.measuresTo[i];
            ASSERT_EQ(m.distance.has_value(), to >= 0);
            if (to >= 0) {
                const Mark& n = hole.marks[static_cast<size_t>(to)];
                EXPECT_NEAR(*m.distance,
                            GeodesicMetres(m.latitude, m.longitude, n.latitude, n.longitude), 1e-6);
            }
        }
    }
}

TEST(Figures, HolesAndRoundCountFromTheMarks) {
    auto north = [](double metres) { return 35.6 + metres / 110940.0; };
    // Hole 1: tee 200 m, 150 m, a putt of 10 m, a putt in. Hole 2: tee shot 0/0 (an outlier),
    // then 120 m and a putt. Hole 3: one mark. Hole 4: a putt first (no tee shot), 50 m.
    std::vector<WatchMark> marks = {
        At(1, 139.7, north(0)),
        At(1, 139.7, north(200)),
        At(1, 139.7, north(350), true),
        At(1, 139.7, north(360), true),
        At(2, 0, 0),
        At(2, 139.7, north(500)),
        At(2, 139.7, north(620)),
        At(2, 139.7, north(622), true),
        At(3, 139.7, north(700)),
        At(4, 139.7, north(800), true),
        At(4, 139.7, north(850)),
    };
    Round round = ReadOne(marks);
    ASSERT_EQ(round.holes.size(), 4u);
    struct Want {
        int strokes, putts;
        double tee, longest;  // -1: none
        int longestStroke;
    };
    const Want want[] = {
        {4, 2, 200, 200, 1}, {4, 1, -1, 120, 2}, {1, 0, -1, -1, 0}, {2, 1, -1, -1, 0}};
    for (size_t h = 0; h < 4; ++h) {
        SCOPED_TRACE(h);
        const Hole& hole = round.holes[h];
        EXPECT_EQ(hole.Strokes(), want[h].strokes);
        EXPECT_EQ(hole.Putts(), want[h].putts);
        ASSERT_EQ(hole.teeShot.has_value(), want[h].tee >= 0);
        if (hole.teeShot) {
            EXPECT_NEAR(*hole.teeShot, want[h].tee, 0.5);
        }
        ASSERT_EQ(hole.longest.has_value(), want[h].longest >= 0);
        if (hole.longest) {
            EXPECT_NEAR(*hole.longest, want[h].longest, 0.5);
        }
        EXPECT_EQ(hole.longestStroke, want[h].longestStroke);
    }
    RoundTotals t = Totals(round);
    EXPECT_EQ(t.holes, 4);
    EXPECT_EQ(t.strokes, 11);
    EXPECT_EQ(t.putts, 4);
    EXPECT_EQ(t.outliers, 1);
    ASSERT_TRUE(t.longest);
    EXPECT_NEAR(*t.longest, 200, 0.5);
    EXPECT_EQ(t.longestHole, 0);
    EXPECT_EQ(t.longestStroke, 1);
    // Only hole 1 has both two marks and a tee shot with a distance.
    EXPECT_EQ(t.teeShots, 1);
    ASSERT_TRUE(t.averageTeeShot);
    EXPECT_NEAR(*t.averageTeeShot, 200, 0.5);
}

}  // namespace
}  // namespace veldrant::rounds
