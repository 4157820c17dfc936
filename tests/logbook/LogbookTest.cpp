// The logbook as the statistics and the window load it: measured rounds with eight-line cards,
// the filters, and the figures a golfer enters once per course.
#include <gtest/gtest.h>

#include <fstream>

#include "logbook/Logbook.h"
#include "logbook/Sqlite.h"
#include "platform/File.h"
#include "platform/SafeOutput.h"
#include "rounds/RoundReader.h"
#include "tests/logbook/LogbookFiles.h"
#include "tests/support/Files.h"
#include "tests/support/TempDir.h"

namespace veldrant::logbook::test {
namespace {

// A card as Veldrant's mark export writes it: the empty slots left out, player 1 alone.
std::string PlayerOneOnly(int strokes) {
    std::string card = Card(strokes);
    size_t second = card.find("\r\n", card.find("\r\n") + 2) + 2;
    return card.substr(0, second);
}

class LogbookLoad : public ::testing::Test {
protected:
    void SetUp() override {
        book_ = Logbook::Open(dir_.File("ログ/l.sqlite3"), Logbook::Mode::Write);
        Session a{.marks = Marks(8), .cards = {PlayerOneOnly(5), Card(4, 11)}};
        Session b{.date = "2016-06-01", .gcid = 77, .golf = "B", .marks = Marks(4)};
        Session c{.date = "2017-01-02", .marks = Marks(40)};
        rounds::ReadResult r = rounds::ReadRounds(File({a, b, c}));
        ASSERT_TRUE(r.ok()) << r.error;
        book_->Add(r.file, "f.csv");
    }
    testing::TempDir dir_;
    std::unique_ptr<Logbook> book_;
};

TEST_F(LogbookLoad, RoundsComeMeasuredWithEightLinesACard) {
    std::vector<LoggedRound> all = book_->Rounds();
    ASSERT_EQ(all.size(), 3u);
    const rounds::Round& a = all[0].round;
    EXPECT_EQ(a.MarkCount(), 8u);
    ASSERT_EQ(a.holes.size(), 2u);
    EXPECT_EQ(a.holes[1].courseName, "東");
    EXPECT_TRUE(a.holes[0].marks[0].distance.has_value());
    ASSERT_EQ(a.scores.size(), 16u);
    EXPECT_EQ(a.scores[0].tag, "YT");
    EXPECT_EQ(a.scores[0].values[0], 5);
    EXPECT_EQ(a.scores[2].tag, "");  // player 2's slot, given back empty
    EXPECT_EQ(a.scores[3].word, 8u);
    EXPECT_EQ(a.scores[9].word, 12u);
    EXPECT_EQ(a.scores[10].tag, std::string("\0\0", 2));  // as the file gave it
    EXPECT_EQ(book_->StoredRounds()[0].round.scores.size(), 10u);
    EXPECT_EQ(CardScore(a.scores), std::make_pair(90, 36));
}

TEST_F(LogbookLoad, FiltersChooseRounds) {
    struct Case {
        RoundFilter filter;
        std::vector<int64_t> ids;
    };
    for (const Case& c : std::vector<Case>{
             {{}, {1, 2, 3}},
             {{.golfCourseId = 1234}, {1, 3}},
             {{.since = "2016-06-01"}, {2, 3}},
             {{.until = "2016-06-01"}, {1, 2}},
             {{.golfCourseId = 1234, .last = 1}, {3}},
             {{.last = 2}, {2, 3}},
             {{.id = 2}, {2}},
         }) {
        std::vector<int64_t> ids;
        for (const LoggedRound& r : book_->Rounds(c.filter))
            ids.push_back(r.id);
        EXPECT_EQ(ids, c.ids);
        std::vector<int64_t> listed;
        for (const RoundSummary& s : book_->List(c.filter))
            listed.push_back(s.id);
        EXPECT_EQ(listed, c.ids);
    }
    EXPECT_THROW(book_->Rounds({.since = "2016-6-1"}), LogbookError);
}

TEST_F(LogbookLoad, ParRatingAndNinesAreKept) {
    book_->SetHole({1234, 0, 1}, 4, 7);
    book_->SetHole({1234, 0, 2}, 5, std::nullopt);
    book_->SetRating({1234, 0}, NineRating{35.8, 121});
    book_->SetNine(2, true, 0);
    book_->SetNine(2, true, std::nullopt);
    book_->SetNine(1, false, 1);
    EXPECT_THROW(book_->SetHole({1234, 5, 1}, 4, 1), LogbookError);  // no course 5 there
    EXPECT_THROW(book_->SetNine(9, false, 0), LogbookError);
    CourseSetup s = book_->Setup();
    EXPECT_EQ(s.par, (std::map<HoleKey, int>{{{1234, 0, 1}, 4}, {{1234, 0, 2}, 5}}));
    EXPECT_EQ(s.strokeIndex, (std::map<HoleKey, int>{{{1234, 0, 1}, 7}}));
    ASSERT_EQ(s.ratings.size(), 1u);
    const NineRating rating = s.ratings[NineKey{1234, 0}];
    EXPECT_DOUBLE_EQ(rating.courseRating, 35.8);
    EXPECT_EQ(rating.slope, 121);
    std::vector<LoggedRound> all = book_->Rounds();
    EXPECT_EQ(all[0].frontCourseId, 1);
    EXPECT_FALSE(all[1].backCourseId);
}

// A later Veldrant's schema, given ahead of time: an older logbook is copied aside, then
// brought up to date in one transaction; a step that fails leaves the file as it was.
TEST(LogbookMigration, AnOlderLogbookGoesAsideThenUpToDateAndANewOneIsAlike) {
    testing::TempDir dir;
    const std::string path = dir.File("記録.sqlite3"), fresh = dir.File("新しい.sqlite3");
    Logbook::Open(path, Logbook::Mode::Write)
        ->Add(rounds::ReadRounds(File({Session{.marks = Marks(8)}})).file, "a.csv");
    const std::string v1 = testing::ReadAll(platform::Utf8Path(path));
    const std::string copy = dir.File("v1.sqlite3");
    std::ofstream(platform::Utf8Path(copy), std::ios::binary) << v1;
    // Version 3, whose second step fails after the first has changed the schema.
    constexpr const char* kBroken[] = {"ALTER TABLE rounds ADD COLUMN weather TEXT",
                                       "ALTER TABLE no_such_table ADD COLUMN wind TEXT"};
    constexpr const char* kVersion2[] = {"ALTER TABLE rounds ADD COLUMN weather TEXT"};
    auto schema = [](const std::string& file) {
        sql::Database db(file, sql::Database::Mode::ReadOnly);
        sql::Statement q(db,
                         "SELECT group_concat(sql, ';') FROM (SELECT sql FROM sqlite_schema "
                         "ORDER BY name)");
        return std::to_string(db.QueryInt("PRAGMA user_version")) + ' ' +
               (q.Step() ? q.Text(0) : "");
    };

    EXPECT_THROW(Logbook::OpenWith(path, Logbook::Mode::Write, {}, kBroken), LogbookError);
    EXPECT_EQ(testing::ReadAll(platform::Utf8Path(path)), v1);
    std::unique_ptr<Logbook> book = Logbook::OpenWith(path, Logbook::Mode::Write, {}, kVersion2);
    EXPECT_EQ(book->List().size(), 1u);
    book.reset();
    // Each attempt left its copy, under the next free name, as version 1 with the round.
    for (int n : {1, 2}) {
        const std::string aside = platform::AsideName(path, "v1-backup", n);
        EXPECT_EQ(schema(aside), schema(copy));
        EXPECT_EQ(Logbook::Open(aside, Logbook::Mode::ReadOnly)->List().size(), 1u);
    }
    EXPECT_EQ(schema(path).substr(0, 2), "2 ");
    Logbook::OpenWith(fresh, Logbook::Mode::Write, {}, kVersion2);
    EXPECT_EQ(schema(fresh), schema(path));
    // This Veldrant refuses the newer file and leaves it as it was.
    const std::string v2 = testing::ReadAll(platform::Utf8Path(path));
    EXPECT_THROW(Logbook::Open(path, Logbook::Mode::Write), LogbookError);
    EXPECT_EQ(testing::ReadAll(platform::Utf8Path(path)), v2);
}

}  // namespace
}  // namespace veldrant::logbook::test
