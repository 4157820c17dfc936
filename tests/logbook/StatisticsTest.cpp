// The logbook's figures over a small table of rounds, each expected figure worked out by hand in
// the comments; the card's reading checked against the simulated watch's marks.
#include <gtest/gtest.h>

#include "logbook/StatsJson.h"
#include "marks/MarkExport.h"
#include "rounds/RoundReader.h"
#include "sim/MarkSample.h"

namespace veldrant::logbook {
namespace {

using rounds::MarkKind;
using Holes18 = std::array<int, 18>;

// Golf course 100: course 1 and course 2, par 36 each.
constexpr int kGolfCourse = 100;
constexpr int kPar1[9] = {4, 4, 3, 5, 4, 4, 3, 4, 5};
constexpr int kPar2[9] = {4, 3, 4, 5, 4, 4, 3, 4, 5};

// Par of the card's holes with the nines on courses `front` and `back`, plus `over` each.
Holes18 Par(int front, int back, int over = 0) {
    Holes18 h{};
    for (int i = 0; i < 9; ++i) {
        h[i] = (front == 1 ? kPar1 : kPar2)[i] + over;
        h[i + 9] = (back == 1 ? kPar1 : kPar2)[i] + over;
    }
    return h;
}

Holes18 Same(int v) {
    Holes18 h;
    h.fill(v);
    return h;
}

struct MarkedHole {
    int course, number;
    std::optional<double> teeShot;  // metres
    std::vector<MarkKind> marks = {MarkKind::Shot, MarkKind::Shot, MarkKind::Putt};
};

LoggedRound MakeRound(int64_t id, int year, int month, int day, Holes18 strokes, Holes18 putts,
                      std::vector<MarkedHole> holes = {}, int golfCourse = kGolfCourse) {
    LoggedRound r;
    r.id = id;
    r.round.start = {year, month, day, 8, 0, 0};
    r.round.golfCourseId = golfCourse;
    for (int line = 0; line < 8; ++line) {
        rounds::ScoreLine s;
        s.tag = line < 2 ? "YT" : line < 4 ? "KS" : std::string(2, '\0');
        for (int i = 0; i < 9; ++i) {
            const int hole = i + 9 * (line % 2);
            if (line < 2) {
                s.values[2 * i] = strokes[hole];
                s.values[2 * i + 1] = putts[hole];
            } else if (line < 4) {
                s.values[2 * i] = 7;  // a partner's strokes count nowhere
            }
        }
        r.round.scores.push_back(s);
    }
    for (const MarkedHole& m : holes) {
        rounds::Hole h;
        h.courseId = m.course;
        h.number = m.number;
        h.teeShot = m.teeShot;
        for (MarkKind k : m.marks) {
            rounds::Mark mark;
            mark.kind = k;
            h.marks.push_back(mark);
        }
        r.round.holes.push_back(h);
    }
    return r;
}

// The table. R5 is at another golf course without par; the rest at 100.
std::vector<LoggedRound> Table() {
    std::vector<LoggedRound> t;
    // R1: marks on course 1, then 2; bogey everywhere, card hole 4 (par 5) in 11. 95 strokes,
    // putts 2 but 1 on hole 1 and 3 on hole 2: 36. Green in regulation only on hole 2.
    Holes18 s = Par(1, 2, 1), p = Same(2);
    s[3] = 11;
    p[0] = 1, p[1] = 3;
    t.push_back(MakeRound(1, 2023, 4, 1, s, p, {{1, 1, 200.0}, {2, 1, 250.0}}));
    // R2: course 1 then 2 picked by the golfer; par everywhere but a birdie on card hole 3 (one
    // putt) and a double bogey on hole 10; hole 5 a par with one putt. 73 strokes, 34 putts.
    s = Par(1, 2), p = Same(2);
    s[2] = 2, s[9] = 6;
    p[2] = 1, p[4] = 1;
    t.push_back(MakeRound(2, 2023, 5, 1, s, p));
    t.back().frontCourseId = 1, t.back().backCourseId = 2;
    // R3: nine holes on course 1 (its marks say so), double bogey each: 54 strokes, 18 putts.
    s = Par(1, 2, 2), p = Same(2);
    for (int h = 9; h < 18; ++h)
        s[h] = p[h] = 0;
    t.push_back(
        MakeRound(3, 2023, 6, 1, s, p, {{1, 1, 180.0}, {1, 2, std::nullopt, {MarkKind::Putt}}}));
    // R4: no marks, the golfer picked courses 1 and 2; bogey everywhere: 90 strokes, 36 putts.
    t.push_back(MakeRound(4, 2023, 7, 1, Par(1, 2, 1), Same(2)));
    t.back().frontCourseId = 1, t.back().backCourseId = 2;
    // R5: golf course 200, nothing known of it: 6 a hole on the front, 5 on the back: 99; putts
    // 2, but 4 on hole 18: 38.
    s = Same(5), p = Same(2);
    std::fill(s.begin(), s.begin() + 9, 6);
    p[17] = 4;
    t.push_back(MakeRound(5, 2022, 10, 1, s, p, {}, 200));
    // R6: marks on course 2 first, so the card's holes 1-9 are course 2's. Bogey everywhere
    // (card hole 2 is course 2's par 3, in 4) but 9 on card hole 1 (par 4): 94, putts 36.
    s = Par(2, 1, 1);
    s[0] = 9;
    t.push_back(MakeRound(6, 2023, 9, 1, s, Same(2), {{2, 1, 220.0}, {1, 1, 230.0}}));
    return t;
}

CourseSetup Courses() {
    CourseSetup c;
    for (int h = 1; h <= 9; ++h) {
        c.par[{kGolfCourse, 1, h}] = kPar1[h - 1];
        c.par[{kGolfCourse, 2, h}] = kPar2[h - 1];
        c.strokeIndex[{kGolfCourse, 1, h}] = 2 * h - 1;
        c.strokeIndex[{kGolfCourse, 2, h}] = 2 * h;
    }
    // 18 holes: rating 35.8 + 36.1 = 71.9, slope (120 + 125) / 2 = 122.5 -> 123.
    c.ratings[{kGolfCourse, 1}] = {35.8, 120};
    c.ratings[{kGolfCourse, 2}] = {36.1, 125};
    return c;
}

std::string Json(const Range& range) {
    return StatsJson(ComputeStats(Table(), Courses(), range));
}

TEST(Statistics, CardFiguresWorkedOutByHand) {
    const std::string json = Json({});
    // 18-hole cards: 95 + 73 + 90 + 99 + 94 = 451 / 5 = 90.20, best 73; putts 36 + 34 + 36 + 38
    // + 36 = 180 / 5 = 36.00. R3's nine apart. Holes 5 x 18 + 9 = 99, putts 180 + 18 = 198: 2.00
    // a hole; one putt on 3 (R1 hole 1, R2 holes 3 and 5): 3/99 = 0.030; three or more on 2 (R1
    // hole 2, R5 hole 18): 2/99 = 0.020.
    EXPECT_NE(json.find("{\"rounds\":6,\"cardRounds\":6,\"rounds18\":5,\"scoreAverage18\":90.20,"
                        "\"bestScore18\":73,\"puttsPerRound18\":36.00,\"rounds9\":1,"
                        "\"scoreAverage9\":54.00,\"bestScore9\":54,\"puttsPerRound9\":18.00,"
                        "\"holesPlayed\":99,\"puttsPerHole\":2.00,\"onePuttRate\":0.030,"
                        "\"threePuttRate\":0.020,"),
              std::string::npos)
        << json;
    // Holes with par: 18 x 4 + 9 = 81 (not R5). To par, 18 holes: +23, +1, +18, +22 = 64 / 4 =
    // 16.00, best +1. Birdie: R2's hole 3. Pars: R2's 16 others. Bogeys: R1 17, R4 18, R6 17 =
    // 52. Double bogey or worse: R1 hole 4, R2 hole 10, R3's nine, R6 hole 1 = 12. Greens in
    // regulation (strokes - putts <= par - 2): R1 hole 2 (5 - 3 = 2 on a par 4) and R2's 16 (par
    // in two putts, the birdie in one): 17/81 = 0.210; their putts 3 + 15 x 2 + 1 = 34 / 17 =
    // 2.00. Scrambling: of the 64 holes without, only R2's hole 5 in par: 1/64 = 0.016.
    EXPECT_NE(json.find("\"par\":{\"holes\":81,\"rounds18\":4,\"scoreToParAverage18\":16.00,"
                        "\"bestScoreToPar18\":1,\"birdiesOrBetter\":1,\"pars\":16,\"bogeys\":52,"
                        "\"doubleBogeysOrWorse\":12,\"greensInRegulation\":17,"
                        "\"greensInRegulationRate\":0.210,\"puttsPerGreenInRegulation\":2.00,"
                        "\"scrambleChances\":64,\"scrambles\":1,\"scrambling\":0.016}"),
              std::string::npos)
        << json;
}

TEST(Statistics, MarkFiguresWorkedOutByHand) {
    // Tee shots 200, 250, 180, 220, 230 m: average 1080 / 5 = 216.0 m = 236.2 yd, median 220 m
    // = 240.6 yd, longest 250 m = 273.4 yd. Shots 4 + 2 + 4 over 3 rounds: 3.33; putts 2 each.
    EXPECT_NE(Json({}).find("\"teeShot\":{\"count\":5,\"averageYd\":236.2,\"medianYd\":240.6,"
                            "\"longestYd\":273.4,\"averageM\":216.0,\"medianM\":220.0,"
                            "\"longestM\":250.0},\"markedRounds\":3,\"shotsPerRound\":3.33,"
                            "\"puttMarksPerRound\":2.00,"),
              std::string::npos);
}

TEST(Statistics, HandicapWorkedOutByHand) {
    // 113 x (AGS - 71.9) / 123, AGS with par + 5 at most until three scores give an index:
    // R1 95, its 11 on a par 5 held to 10: 94 -> 22.1 x 113 / 123 = 20.30; R2 73 -> 1.1 x 113 /
    // 123 = 1.01; R4 90 -> 18.1 x 113 / 123 = 16.63. Index then 1.0 - 2.0 = -1.0, a plus
    // handicap: course handicap -1.0 x 123 / 113 - 0.1 = -1.19 -> -1, which gives a stroke back
    // on stroke index 18 only, so R6's card hole 1 (course 2's par 4, stroke index 2) is held to
    // 4 + 2 + 0 = 6: 94 - 3 = 91 -> 19.1 x 113 / 123 = 17.55. Four scores: 1.0 - 1.0 = 0.0.
    const std::string json = Json({});
    EXPECT_NE(json.find("\"handicap\":{\"unofficial\":true,\"index\":0.0,\"scores\":4,\"used\":1,"
                        "\"differentials\":[{\"id\":1,\"date\":\"2023-04-01\",\"gross\":95,"
                        "\"adjustedGross\":94,\"differential\":20.3},{\"id\":2,\"date\":"
                        "\"2023-05-01\",\"gross\":73,\"adjustedGross\":73,\"differential\":1.0},"
                        "{\"id\":4,\"date\":\"2023-07-01\",\"gross\":90,\"adjustedGross\":90,"
                        "\"differential\":16.6},{\"id\":6,\"date\":\"2023-09-01\",\"gross\":94,"
                        "\"adjustedGross\":91,\"differential\":17.5}]}"),
              std::string::npos)
        << json;
}

TEST(Statistics, HardestHolesAndTrend) {
    const Stats s = ComputeStats(Table(), Courses(), {});
    // Over par at golf course 100: card hole 4 (+6 +0 +2 +1 +1) / 5 = 2.0, hole 1 (+1 +0 +2 +1
    // +5) / 5 = 1.8, hole 10 (+1 +2 +1 +1) / 4 = 1.25, then the rest.
    ASSERT_GE(s.card.holeFigures.size(), 3u);
    EXPECT_EQ(s.card.holeFigures[0].hole, 4);
    EXPECT_DOUBLE_EQ(*s.card.holeFigures[0].toPar, 2.0);
    EXPECT_EQ(s.card.holeFigures[1].hole, 1);
    EXPECT_EQ(s.card.holeFigures[2].hole, 10);
    // In date order R5 99, R1 95, R2 73, R4 90, R6 94: the fifth 18-hole card averages 451 / 5.
    ASSERT_EQ(s.trend.size(), 6u);
    EXPECT_EQ(s.trend[0].id, 5);
    EXPECT_FALSE(s.trend[4].scoreAverage5);
    EXPECT_DOUBLE_EQ(*s.trend[5].scoreAverage5, 90.2);
    EXPECT_DOUBLE_EQ(*s.trend[5].puttsAverage5, 36.0);
    const std::string text = StatsText(s);
    for (const char* label :
         {"From the score cards", "From the marks", "Handicap index (unofficial): 0.0"})
        EXPECT_NE(text.find(label), std::string::npos) << label;
}

TEST(Statistics, RangesChooseRounds) {
    struct Case {
        Range range;
        std::vector<int64_t> ids;
    };
    const Case cases[] = {
        {{}, {5, 1, 2, 3, 4, 6}},
        {{.year = 2022}, {5}},
        {{.since = Day{2023, 5, 1}, .until = Day{2023, 7, 1}}, {2, 3, 4}},
        {{.last = 2}, {4, 6}},
        {{.last = 3, .golfCourseId = 100}, {3, 4, 6}},
        {{.year = 2023, .golfCourseId = 200}, {}},
    };
    for (const Case& c : cases) {
        std::vector<int64_t> ids;
        for (const TrendPoint& p : ComputeStats(Table(), Courses(), c.range).trend)
            ids.push_back(p.id);
        EXPECT_EQ(ids, c.ids);
    }
}

TEST(Statistics, NoParNoParFigures) {
    // R5 alone: its golf course has no par, rating or stroke index.
    const Stats s = ComputeStats(Table(), Courses(), {.golfCourseId = 200});
    EXPECT_FALSE(s.par);
    EXPECT_TRUE(s.handicap.scores.empty());
    const std::string json = StatsJson(s);
    EXPECT_NE(json.find("\"scoreAverage18\":99.00"), std::string::npos);
    EXPECT_EQ(json.find("\"par\""), std::string::npos);
    EXPECT_EQ(json.find("\"handicap\""), std::string::npos);
    EXPECT_EQ(json.find("toPar\":-"), std::string::npos);
    // Nothing at all: nulls, not zeros.
    EXPECT_EQ(StatsJson(ComputeStats({}, {}, {})),
              "{\"rounds\":0,\"cardRounds\":0,\"rounds18\":0,\"scoreAverage18\":null,"
              "\"bestScore18\":null,\"puttsPerRound18\":null,\"rounds9\":0,\"scoreAverage9\":null,"
              "\"bestScore9\":null,\"puttsPerRound9\":null,\"holesPlayed\":0,\"puttsPerHole\":null,"
              "\"onePuttRate\":null,\"threePuttRate\":null,\"cardHoles\":[],\"teeShot\":{"
              "\"count\":0,\"averageYd\":null,\"medianYd\":null,\"longestYd\":null,\"averageM\":"
              "null,\"medianM\":null,\"longestM\":null},\"markedRounds\":0,\"shotsPerRound\":null,"
              "\"puttMarksPerRound\":null,\"markHoles\":[],\"trend\":[]}\n");
}

// The simulated watch marks every stroke of player 1, putts last: read through the export and
// the rounds reader, each card's first table is the hole's marks and its second table the putts.
TEST(Card, TablesAreTheGolfersStrokesAndPuttsAsTheMarksShow) {
    const sim::MarkData data = sim::EncodeSample(sim::GenerateMarkSample());
    std::string file = "\xEF\xBB\xBF";
    for (const auto& set : data.sets)
        file += marks::ExportMarkSetToString(set, data.score);
    const rounds::ReadResult read = rounds::ReadRounds(file);
    ASSERT_TRUE(read.ok()) << read.error;
    int cards = 0;
    for (const rounds::Round& round : read.file.rounds) {
        for (const Card& card : ReadCards(round)) {
            ++cards;
            EXPECT_EQ(card.Kind(), CardKind::Eighteen);
            for (const rounds::Hole& hole : round.holes) {
                EXPECT_EQ(card.Golfer().strokes[hole.number - 1], hole.Strokes());
                EXPECT_EQ(card.putts[hole.number - 1], hole.Putts());
            }
        }
    }
    EXPECT_EQ(cards, 3);
    // The card of 4 May is a two-ball: the export leaves out the empty slots 3 and 4.
    const Card second = ReadCards(read.file.rounds[1])[0];
    EXPECT_TRUE(second.players[1].present);
    EXPECT_FALSE(second.players[2].present);
    EXPECT_FALSE(second.players[3].present);
}

// A player's two lines: `strokes` on every hole, `putts` in player 1's second table.
std::vector<rounds::ScoreLine> Pair(const std::string& tag, int strokes, int putts = 0) {
    std::vector<rounds::ScoreLine> pair(2);
    for (rounds::ScoreLine& line : pair) {
        line.tag = tag;
        for (int i = 0; i < 9; ++i)
            line.values[2 * i] = strokes, line.values[2 * i + 1] = putts;
    }
    return pair;
}

TEST(Card, CardsSplitWhereAGolfersLinesBegin) {
    const std::string nul(2, '\0');
    struct Case {
        const char* name;
        std::vector<std::vector<rounds::ScoreLine>> pairs;
        std::vector<int> golferStrokes;  // per card, on each hole
    };
    const Case cases[] = {
        {"four slots each",
         {Pair("YT", 5, 2), Pair(nul, 0), Pair(nul, 0), Pair(nul, 0), Pair("YT", 4), Pair("KS", 6),
          Pair(nul, 0), Pair(nul, 0)},
         {5, 4}},
        {"empty slots left out",
         {Pair("YT", 5, 2), Pair("KS", 6), Pair("YT", 4), Pair("KS", 6)},
         {5, 4}},
        {"putts start a card", {Pair("A", 5, 2), Pair("B", 6), Pair("C", 4, 1)}, {5, 4}},
    };
    for (const Case& c : cases) {
        std::vector<rounds::ScoreLine> lines;
        for (const auto& pair : c.pairs)
            lines.insert(lines.end(), pair.begin(), pair.end());
        std::vector<int> strokes;
        for (const Card& card : ReadCards(lines))
            strokes.push_back(card.Golfer().strokes[17]);
        EXPECT_EQ(strokes, c.golferStrokes) << c.name;
    }
}

}  // namespace
}  // namespace veldrant::logbook
