// Sessions and score sections: where a set splits, which score records follow which session, and
// the score lines' bytes.
#include <gtest/gtest.h>

#include "marks/MarkExport.h"
#include "tests/marks/MarkBytes.h"

namespace veldrant::marks {
namespace {

using test::Bytes;
using test::Mark;
using test::PackTime;
using test::Score;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find("\r\n", pos);
        EXPECT_NE(end, std::string::npos) << "unterminated line";
        if (end == std::string::npos)
            break;
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

// Each line reduced to its first field without quotes: SESSION1, MRK, GCID, 1234, SCORE, AB...
std::vector<std::string> Kinds(const std::string& text) {
    std::vector<std::string> kinds;
    for (const std::string& line : Lines(text)) {
        size_t end = line.find('"', 1);
        kinds.push_back(line.substr(1, end - 1));
    }
    return kinds;
}

Mark At(int day, int hour, int minute, uint16_t gcid) {
    Mark m;
    m.time = PackTime(2016, 5, day, hour, minute, 0);
    m.gcid = gcid;
    return m;
}

uint16_t RoundDate(int day, int hour = 8) {
    return static_cast<uint16_t>(PackTime(2016, 5, day, hour, 0, 0) >> 16);
}

using Kind = std::vector<std::string>;
const Kind kHeadKinds = {"KVT2700", "SESSION1", "MRK", "GCID"};

Kind Concat(std::initializer_list<Kind> parts) {
    Kind all;
    for (const Kind& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

const Kind kEight = {"AB", "AB", "CD", "CD", "EF", "EF", "GH", "GH"};

TEST(ExportSession, ChangeOfDateStartsTheNextSessionWithItsOwnScores) {
    Bytes set = test::MarkSet({At(3, 9, 0, 1234), At(3, 10, 0, 1234), At(4, 9, 30, 1234)});
    Bytes score =
        test::ScoreData({test::FullCard(1234, RoundDate(4)), test::FullCard(1234, RoundDate(3))});
    std::string out = ExportMarkSetToString(set, score);
    EXPECT_EQ(Kinds(out), Concat({kHeadKinds,
                                  {"1234", "1234", "SCORE"},
                                  kEight,
                                  {"SESSION2", "MRK", "GCID", "1234", "SCORE"},
                                  kEight}));
    std::vector<std::string> lines = Lines(out);
    EXPECT_EQ(lines[6], "\"SCORE\",\"09:00:00\"");
    EXPECT_EQ(lines[15], "\"SESSION2\",\"20160504_093000\",\"Test Golf\"");
    EXPECT_EQ(lines[19], "\"SCORE\",\"09:30:00\"");
}

TEST(ExportSession, GolfCourseComingBackTheSameDayIsAThirdSession) {
    Bytes set = test::MarkSet({At(3, 9, 0, 1234), At(3, 11, 0, 5678), At(3, 15, 0, 1234)});
    Bytes score = test::ScoreData({test::FullCard(1234, RoundDate(3))});
    std::string out = ExportMarkSetToString(set, score);
    // The record gives its SCORE line to session 1 only, its eight lines to sessions 1 and 3.
    EXPECT_EQ(Kinds(out), Concat({kHeadKinds,
                                  {"1234", "SCORE"},
                                  kEight,
                                  {"SESSION2", "MRK", "GCID", "5678"},
                                  {"SESSION3", "MRK", "GCID", "1234"},
                                  kEight}));
    EXPECT_NE(out.find("\"SESSION3\",\"20160503_150000\""), std::string::npos);
}

TEST(ExportSession, TwoRecordsOfOneRoundGiveOneScoreLineAndSixteenLines) {
    Bytes set = test::MarkSet({At(3, 9, 0, 1234)});
    Bytes score = test::ScoreData(
        {test::FullCard(1234, RoundDate(3)), test::FullCard(99, RoundDate(3)),
         test::FullCard(1234, RoundDate(3, 17))});  // bit 0 of the date (hour 16+) is not compared
    std::string out = ExportMarkSetToString(set, score);
    EXPECT_EQ(Kinds(out), Concat({kHeadKinds, {"1234", "SCORE"}, kEight, kEight}));
}

TEST(ExportSession, SessionWithoutMatchingRoundHasNoScoreLines) {
    Bytes set = test::MarkSet({At(3, 9, 0, 1234)});
    Bytes score =
        test::ScoreData({test::FullCard(1234, RoundDate(4)), test::FullCard(1235, RoundDate(3))});
    EXPECT_EQ(Kinds(ExportMarkSetToString(set, score)), Concat({kHeadKinds, {"1234"}}));
}

TEST(ExportSession, OnlyWholeScoreRecordsCount) {
    Bytes set = test::MarkSet({At(3, 9, 0, 1234)});
    Bytes score =
        test::ScoreData({test::FullCard(7, RoundDate(3)), test::FullCard(1234, RoundDate(3))});
    score.resize(700);  // the second record's first 188 bytes match, but the record is not whole
    EXPECT_EQ(Kinds(ExportMarkSetToString(set, score)), Concat({kHeadKinds, {"1234"}}));
    score = test::ScoreData({test::FullCard(1234, RoundDate(3))});
    score.resize(700, 0);
    EXPECT_EQ(Kinds(ExportMarkSetToString(set, score)),
              Concat({kHeadKinds, {"1234", "SCORE"}, kEight}));
}

TEST(ExportSession, ScoreRecordsBeyondFiveHundredAreIgnored) {
    std::vector<Score> cards(501, test::FullCard(7, RoundDate(3)));
    cards[499] = test::FullCard(1234, RoundDate(3));
    cards[500] = test::FullCard(1234, RoundDate(3));
    cards[500].players[0].tag[0] = 'Z';
    std::string out =
        ExportMarkSetToString(test::MarkSet({At(3, 9, 0, 1234)}), test::ScoreData(cards));
    EXPECT_EQ(Kinds(out), Concat({kHeadKinds, {"1234", "SCORE"}, kEight}));
}

TEST(ExportSession, ScoreLinesCarryTheWordsAndTablesInOrder) {
    Score card = test::FullCard(1234, RoundDate(3));
    card.front = 11;
    card.back = 0xFFFFFFFF;  // an unsigned word stays unsigned
    for (int h = 0; h < 18; ++h) {
        card.players[0].first[h] = static_cast<uint8_t>(h + 1);
        card.players[0].second[h] = static_cast<uint8_t>(100 + h);
        card.players[3].first[h] = static_cast<uint8_t>(200 + h);
    }
    card.players[3].first[17] = 255;
    std::string out =
        ExportMarkSetToString(test::MarkSet({At(3, 9, 0, 1234)}), test::ScoreData({card}));
    std::vector<std::string> lines = Lines(out);
    ASSERT_EQ(lines.size(), 14u);
    EXPECT_EQ(lines[6],
              "\"AB\",\"11\",\"1\",\"100\",\"2\",\"101\",\"3\",\"102\",\"4\",\"103\",\"5\",\"104\","
              "\"6\",\"105\",\"7\",\"106\",\"8\",\"107\",\"9\",\"108\"");
    EXPECT_EQ(lines[7],
              "\"AB\",\"4294967295\",\"10\",\"109\",\"11\",\"110\",\"12\",\"111\",\"13\",\"112\","
              "\"14\",\"113\",\"15\",\"114\",\"16\",\"115\",\"17\",\"116\",\"18\",\"117\"");
    EXPECT_EQ(
        lines[8],
        "\"CD\",\"11\",\"4\",\"0\",\"5\",\"0\",\"6\",\"0\",\"3\",\"0\",\"4\",\"0\",\"5\",\"0\","
        "\"6\",\"0\",\"3\",\"0\",\"4\",\"0\"");
    EXPECT_EQ(
        lines[13],
        "\"GH\",\"4294967295\",\"209\",\"0\",\"210\",\"0\",\"211\",\"0\",\"212\",\"0\",\"213\","
        "\"0\",\"214\",\"0\",\"215\",\"0\",\"216\",\"0\",\"255\",\"0\"");
}

TEST(ExportSession, EmptyPlayerSlotsGiveNoLines) {
    Score card = test::FullCard(1234, RoundDate(3));
    // Slot 3: no tag and no strokes: nobody played there.
    card.players[2] = test::Player{};
    // Slot 4: no tag but strokes: the scores are kept, under an empty tag.
    card.players[3].tag[0] = card.players[3].tag[1] = 0;
    // Slot 2: a one-letter tag.
    card.players[1].tag[1] = 0;
    std::string out =
        ExportMarkSetToString(test::MarkSet({At(3, 9, 0, 1234)}), test::ScoreData({card}));
    EXPECT_EQ(Kinds(out), Concat({kHeadKinds, {"1234", "SCORE", "AB", "AB", "C", "C", "", ""}}));
    EXPECT_EQ(out.find('\0'), std::string::npos);
}

TEST(ExportSession, TagsAreCodePage932Characters) {
    Score card = test::FullCard(1234, RoundDate(3));
    card.players[0].tag[0] = '\x93';  // 田
    card.players[0].tag[1] = '\x63';
    card.players[1].tag[0] = '"';
    card.players[1].tag[1] = 'x';
    std::string out =
        ExportMarkSetToString(test::MarkSet({At(3, 9, 0, 1234)}), test::ScoreData({card}));
    EXPECT_NE(out.find("\r\n\"田\",\"16909060\","), std::string::npos) << out;
    EXPECT_NE(out.find("\r\n\"\"\"x\",\"16909060\","), std::string::npos) << out;
}

TEST(ExportSession, EverySetStartsAgainWithTheModelLineAndFreshScoreFlags) {
    Bytes set = test::MarkSet({At(3, 9, 0, 1234)});
    Bytes score = test::ScoreData({test::FullCard(1234, RoundDate(3))});
    MemorySink sink;
    ASSERT_EQ(ExportMarkSet(set, score, sink), ExportResult::Written);
    ASSERT_EQ(ExportMarkSet(set, score, sink), ExportResult::Written);
    Kind one = Concat({kHeadKinds, {"1234", "SCORE"}, kEight});
    EXPECT_EQ(Kinds(sink.Data()), Concat({one, one}));
}

TEST(ExportSession, ScoreLineTakesTheSessionsFirstMarkTime) {
    Bytes set = test::MarkSet({At(3, 7, 5, 1234), At(3, 12, 45, 1234)});
    Bytes score = test::ScoreData({test::FullCard(1234, RoundDate(3))});
    std::vector<std::string> lines = Lines(ExportMarkSetToString(set, score));
    ASSERT_GE(lines.size(), 7u);
    EXPECT_EQ(lines[6], "\"SCORE\",\"07:05:00\"");
}

}  // namespace
}  // namespace veldrant::marks
