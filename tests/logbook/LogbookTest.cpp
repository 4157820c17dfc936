// The logbook as the statistics and the window load it: measured rounds with eight-line cards,
// the filters, and the figures a golfer enters once per course.
#include <gtest/gtest.h>

#include "logbook/Logbook.h"
#include "rounds/RoundReader.h"
#include "tests/logbook/LogbookFiles.h"
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

}  // namespace
}  // namespace veldrant::logbook::test
