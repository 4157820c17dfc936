// The round reader against what the mark export writes, and against files cut short or edited.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/File.h"
#include "rounds/RoundReader.h"
#include "tests/rounds/RoundFiles.h"
#include "tests/support/TempDir.h"

namespace veldrant::rounds {
namespace {

using namespace test;

uint16_t RoundDate(int day) {
    return static_cast<uint16_t>(PackTime(2016, 5, day, 8, 0, 0) >> 16);
}

WatchMark OnDay(WatchMark m, int day, int hour, int minute, uint16_t gcid,
                const std::string& golf) {
    m.time = PackTime(2016, 5, day, hour, minute, 0);
    m.gcid = gcid;
    m.golfName = golf;
    return m;
}

// Two mark sets. The first: golf course 1234 (a Japanese name), then 5678, then 1234 again on
// the same day, then 1234 the next day; a score card for 1234 on day 3 with two empty player
// slots. The second set: one session of its own.
std::string SampleFile() {
    const std::string fuji = Cp932("富士見ヶ丘カントリー倶楽部");
    WatchMark a = At(1, 139.700000, 35.600000);
    a.courseName = Cp932("ＯＵＴ東コース");
    WatchMark b = At(1, 139.701000, 35.601000);
    b.courseName = a.courseName;
    WatchMark c = At(1, 139.701200, 35.601100, true);
    c.courseName = a.courseName;
    WatchMark d = At(2, 139.702000, 35.602000);
    d.courseName = a.courseName;

    SetSpec first;
    first.marks = {OnDay(a, 3, 8, 1, 1234, fuji),        OnDay(b, 3, 8, 5, 1234, fuji),
                   OnDay(c, 3, 8, 9, 1234, fuji),        OnDay(d, 3, 8, 15, 1234, fuji),
                   OnDay(a, 3, 12, 0, 5678, "Other GC"), OnDay(b, 3, 14, 0, 1234, fuji),
                   OnDay(a, 4, 9, 0, 1234, fuji)};
    Score card = marks::test::FullCard(1234, RoundDate(3));
    card.players[2] = {};
    card.players[3] = {};
    first.scores = {card};

    SetSpec second;
    second.marks = {OnDay(a, 10, 7, 30, 42, "Second Set GC")};
    return ExportedFile({first, second});
}

TEST(RoundReader, ReadsEveryRoundTheExportWrote) {
    ReadResult r = ReadRounds(SampleFile());
    ASSERT_TRUE(r.ok()) << r.error;
    const RoundFile& f = r.file;
    EXPECT_EQ(f.markSets, 2u);
    ASSERT_EQ(f.rounds.size(), 5u);

    struct Want {
        int number, set, session, gcid;
        const char* golf;
        const char* date;
        const char* clock;
        size_t holes, marks, scores;
        bool scoreTime;
    };
    const Want want[] = {
        {1, 1, 1, 1234, "富士見ヶ丘カントリー倶楽部", "2016-05-03", "08:01:00", 2, 4, 4, true},
        {2, 1, 2, 5678, "Other GC", "2016-05-03", "12:00:00", 1, 1, 0, false},
        // The card's lines follow every session of its day and golf course, its SCORE line
        // only the first.
        {3, 1, 3, 1234, "富士見ヶ丘カントリー倶楽部", "2016-05-03", "14:00:00", 1, 1, 4, false},
        {4, 1, 4, 1234, "富士見ヶ丘カントリー倶楽部", "2016-05-04", "09:00:00", 1, 1, 0, false},
        {5, 2, 1, 42, "Second Set GC", "2016-05-10", "07:30:00", 1, 1, 0, false},
    };
    for (size_t i = 0; i < f.rounds.size(); ++i) {
        SCOPED_TRACE(i);
        const Round& round = f.rounds[i];
        EXPECT_EQ(round.number, want[i].number);
        EXPECT_EQ(round.set, want[i].set);
        EXPECT_EQ(round.session, want[i].session);
        EXPECT_EQ(round.golfCourseId, want[i].gcid);
        EXPECT_EQ(round.golfCourseName, want[i].golf);
        EXPECT_EQ(DateText(round.start), want[i].date);
        EXPECT_EQ(ClockText(round.start), want[i].clock);
        EXPECT_EQ(round.holes.size(), want[i].holes);
        EXPECT_EQ(round.MarkCount(), want[i].marks);
        EXPECT_EQ(round.scores.size(), want[i].scores);
        EXPECT_EQ(round.hasScoreTime, want[i].scoreTime);
    }

    const Round& r1 = f.rounds[0];
    EXPECT_EQ(r1.line, 2);  // KVT2700 on line 1, after the byte order mark
    EXPECT_EQ(ClockText(r1.scoreTime), "08:01:00");
    const Hole& h1 = r1.holes[0];
    EXPECT_EQ(h1.courseId, 1);
    EXPECT_EQ(h1.courseName, "ＯＵＴ東コース");
    EXPECT_EQ(h1.number, 1);
    ASSERT_EQ(h1.marks.size(), 3u);
    EXPECT_EQ(h1.marks[0].line, 5);
    EXPECT_EQ(h1.marks[0].kind, MarkKind::Shot);
    EXPECT_EQ(h1.marks[2].kind, MarkKind::Putt);
    EXPECT_DOUBLE_EQ(h1.marks[1].longitude, 139.701);
    EXPECT_DOUBLE_EQ(h1.marks[1].latitude, 35.601);
    EXPECT_EQ(ClockText(h1.marks[1].time), "08:05:00");
    EXPECT_EQ(r1.holes[1].number, 2);

    // Players 1 and 2 of the card, two lines each; the empty slots give none.
    ASSERT_EQ(r1.scores.size(), 4u);
    EXPECT_EQ(r1.scores[0].tag, "AB");
    EXPECT_EQ(r1.scores[0].word, 0x01020304u);
    EXPECT_EQ(r1.scores[1].word, 7u);
    EXPECT_EQ(r1.scores[2].tag, "CD");
    // FullCard: player p's first table 3 + (h + p) % 4, player 1's second 1 + h % 3.
    EXPECT_EQ((std::vector<int>(r1.scores[0].values.begin(), r1.scores[0].values.begin() + 4)),
              (std::vector<int>{3, 1, 4, 2}));
    EXPECT_EQ((std::vector<int>(r1.scores[2].values.begin(), r1.scores[2].values.begin() + 4)),
              (std::vector<int>{4, 0, 5, 0}));
    EXPECT_EQ(r1.scores[3].values[0], 5);  // player 2, hole 10: 3 + (9 + 1) % 4
}

TEST(RoundReader, TakesTheFileWithoutByteOrderMarkOrWithLineFeedsAlone) {
    const std::string file = SampleFile();
    std::string lf;
    for (size_t i = 0; i < file.size(); ++i) {
        if (!(file[i] == '\r' && i + 1 < file.size() && file[i + 1] == '\n'))
            lf.push_back(file[i]);
    }
    for (const std::string& variant : {file.substr(3), lf}) {
        ReadResult r = ReadRounds(variant);
        ASSERT_TRUE(r.ok()) << r.error;
        EXPECT_EQ(r.file.rounds.size(), 5u);
        EXPECT_EQ(r.file.rounds[0].holes[0].marks[2].line, 7);
    }
}

TEST(RoundReader, ByteOrderMarkAloneIsAnImportWithoutMarks) {
    ReadResult r = ReadRounds("\xEF\xBB\xBF");
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_TRUE(r.file.rounds.empty());
}

TEST(RoundReader, NamesWithQuotesCommasAndLineEndsSurvive) {
    WatchMark m = At(3, 139.7, 35.6);
    m.golfName = "A \"B\", C";
    m.courseName = "IN\r\nWEST";
    ReadResult r = ReadRounds(ExportedFile({{{m, At(3, 139.7001, 35.6001)}, {}}}));
    ASSERT_TRUE(r.ok()) << r.error;
    ASSERT_EQ(r.file.rounds.size(), 1u);
    EXPECT_EQ(r.file.rounds[0].golfCourseName, "A \"B\", C");
    EXPECT_EQ(r.file.rounds[0].holes[0].courseName, "IN\r\nWEST");
    // The second mark's course name is "OUT": another hole although the number is the same.
    EXPECT_EQ(r.file.rounds[0].holes.size(), 2u);
    EXPECT_EQ(r.file.rounds[0].holes[1].marks[0].line, 7);  // the first mark line spans 5 and 6
}

// Replaces the first occurrence of `from` in `text`.
std::string Edit(std::string text, const std::string& from, const std::string& to) {
    size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

TEST(RoundReader, RefusesDamagedFilesNamingTheLine) {
    const std::string good = SampleFile();
    // Line numbers in SampleFile: 1 KVT2700, 2 SESSION1, 3 MRK, 4 titles, 5-8 marks, 9 SCORE,
    // 10-13 player lines, 14 SESSION2 ...
    const size_t scoreAt = good.find("\"SCORE\"");
    const size_t line13 = good.find("\"CD\"", good.find("\"CD\"") + 1);
    struct Case {
        const char* name;
        std::string text;
        const char* message;
    };
    const Case cases[] = {
        {"empty", "", "the file is empty"},
        {"another CSV", "\"Name\",\"Value\"\r\n\"a\",\"1\"\r\n",
         "line 1: not a mark CSV file: it should begin with \"KVT2700\""},
        {"a text file", "hello\r\n", "line 1: field 1 is not in double quotes"},
        {"cut inside a field", good.substr(0, good.find("139.70") + 4),
         "line 5: the file ends inside a quoted field: it was cut short"},
        {"cut before a line end", good.substr(0, scoreAt + 19),
         "line 9: the last line has no line end"},
        {"cut after the head", good.substr(0, good.find("\"1234\"")),
         "line 5: the file ends before the session's first mark line"},
        {"cut between a player's lines", good.substr(0, line13),
         "line 12: a player's score line without its second line"},
        {"session skipped", Edit(good, "SESSION2", "SESSION3"),
         "\"SESSION3\" where \"SESSION2\" should come"},
        {"longitude edited", Edit(good, "139.701000", "139.70"),
         "line 6: \"Longitude\" is \"139.70\", not a longitude"},
        {"hole edited", Edit(good, "\"1\",\"2016-05-03\"", "\"x\",\"2016-05-03\""),
         "line 5: \"Hole No\" is \"x\""},
        {"kind edited", Edit(good, "\"s\"", "\"S\""), "line 5: \"Shot (s) or Putt (p)\""},
        {"date of another day", Edit(good, "2016-05-03\",\"08:05:00", "2016-05-04\",\"08:05:00"),
         "line 6: a mark of 2016-05-04 inside the session of 2016-05-03"},
        {"session time edited", Edit(good, "20160503_080100", "20160503_080200"),
         "line 5: the first mark's time 2016-05-03 08:01:00 is not the session's time"},
        {"SCORE time edited", Edit(good, "\"SCORE\",\"08:01:00\"", "\"SCORE\",\"08:01:01\""),
         "line 9: the \"SCORE\" time \"08:01:01\" is not the session's time 08:01:00"},
        {"score value edited",
         Edit(good, "\"AB\",\"16909060\",\"3\"", "\"AB\",\"16909060\",\"300\""),
         "line 10: field 3 of a score line is \"300\", not a number 0-255"},
        {"titles edited", Edit(good, "\"Hole No\"", "\"Hole\""),
         "line 4: expected the column titles"},
        {"a column added", Edit(good, "\"Other GC\"", "\"Other GC\",\"extra\""),
         "line 14: a line of 4 fields beginning with \"SESSION2\" is not a line"},
        {"not UTF-8", Edit(good, "Other GC", "Other \xFF GC"), "line 14: the text is not UTF-8"},
        {"text after a quote", Edit(good, "\"MRK\"", "\"MRK\" "),
         "line 3: text after the closing quote of field 1"},
        {"a mark after the scores",
         Edit(good, "\"SESSION2\"",
              "\"1234\",\"x\",\"1\",\"x\",\"1\",\"2016-05-03\",\"08:01:00\","
              "\"s\",\"1\",\"139.700000\",\"35.600000\"\r\n\"SESSION2\""),
         "line 14: a mark line after the session's score lines"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReadResult r = ReadRounds(c.text);
        EXPECT_FALSE(r.ok());
        EXPECT_NE(r.error.find(c.message), std::string::npos) << r.error;
        EXPECT_TRUE(r.file.rounds.empty());
    }
}

TEST(RoundReader, EveryCutOfTheFileIsRefusedOrReadsAsAPrefix) {
    // Cut after any byte: the reader refuses, or (cut at a line end) reads fewer rounds or
    // marks; it never crashes or makes up a round.
    const std::string good = SampleFile();
    const ReadResult whole = ReadRounds(good);
    ASSERT_TRUE(whole.ok());
    for (size_t n = 1; n < good.size(); ++n) {
        ReadResult r = ReadRounds(std::string_view(good).substr(0, n));
        if (!r.ok())
            continue;
        ASSERT_LE(r.file.rounds.size(), whole.file.rounds.size()) << n;
        size_t marksRead = 0, marksWhole = 0;
        for (const Round& round : r.file.rounds)
            marksRead += round.MarkCount();
        for (const Round& round : whole.file.rounds)
            marksWhole += round.MarkCount();
        ASSERT_LE(marksRead, marksWhole) << n;
        ASSERT_TRUE(n == 3 || good[n - 1] == '\n') << "accepted a cut inside a line at " << n;
    }
}

TEST(RoundReader, LoadsByUtf8PathAndNamesThePathOnRefusal) {
    // A folder named in Japanese: the path reaches the file system as UTF-8 on every platform.
    veldrant::testing::TempDir tmp;
    const std::string dir = tmp.File("ラウンド");
    std::filesystem::create_directories(platform::Utf8Path(dir + "/folder.csv"));
    const std::string damaged = "GCID,x\r\n";
    const ReadResult refused = ReadRounds(damaged);
    ASSERT_FALSE(refused.ok());
    std::ofstream(platform::Utf8Path(dir + "/marks.csv"), std::ios::binary) << SampleFile();
    std::ofstream(platform::Utf8Path(dir + "/damaged.csv"), std::ios::binary) << damaged;

    struct Case {
        const char* name;
        size_t rounds;
        std::string error;  // after "<path>: "
    };
    const Case cases[] = {
        {"marks.csv", 5, ""},
        {"damaged.csv", 0, refused.error},
        {"missing.csv", 0, "no such file"},
        {"folder.csv", 0, "not a regular file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir + "/" + c.name;
        ReadResult r = LoadRounds(path);
        if (c.error.empty()) {
            ASSERT_TRUE(r.ok()) << r.error;
            ASSERT_EQ(r.file.rounds.size(), c.rounds);
            EXPECT_EQ(r.file.rounds[0].golfCourseName, "富士見ヶ丘カントリー倶楽部");
        } else {
            EXPECT_EQ(r.error, path + ": " + c.error);
        }
    }
}

}  // namespace
}  // namespace veldrant::rounds
