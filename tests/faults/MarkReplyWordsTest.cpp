// The mark import against reply words no sound watch would send: counts and lengths of zero,
// lengths beyond what the watch can hold, more sets than it holds.
#include <gtest/gtest.h>

#include <cstdio>

#include "devicelink/Commands.h"
#include "tests/faults/FaultMatrix.h"
#include "tests/faults/MarkRig.h"
#include "tests/faults/Rules.h"

namespace veldrant::faults {
namespace {

using marks::RunOutcome;
using marks::StartOutcome;

std::string Hex(uint32_t v) {
    char s[16];
    std::snprintf(s, sizeof s, "0x%X", v);
    return s;
}

class MarkReplyWords : public ::testing::Test {
protected:
    // Runs one press with the reply word of the matching requests replaced by `word`.
    Seen Press(const std::string& where, RequestMatch match, uint32_t word,
               std::optional<int> nth = std::nullopt) {
        fault_ = "reply word " + Hex(word) + " to " + where;
        SeenHost host;
        rig_.Wire().SetRule(Matching(std::move(match), ReplyWord(word), nth));
        rig_.Run(host);
        return host.Get();
    }
    void Record(const Seen& seen) {
        std::string summary = seen.Summary(rig_.LastPath());
        AddMatrixRow({"mark import", fault_, summary, rig_.CleanRunAfterFault()});
    }
    // Written sets (and the note about the unread ones) as the run must have left them.
    void ExpectFile(const Seen& seen, const std::string& file, size_t unread) {
        // A file that would hold no set is not made.
        const bool none = file == rig_.FileOf({});
        EXPECT_EQ(rig_.LastFile(), none ? std::nullopt : std::optional(file));
        std::vector<SeenMessage> messages;
        if (unread > 0)
            messages.push_back(none ? rig_.NothingWrittenNote(unread)
                                    : rig_.MissingSetsNote(unread));
        EXPECT_EQ(seen.messages, messages);
        EXPECT_EQ(seen.texts, (std::vector<std::string>{
                                  "", unread > 0 ? marks::kTextSomeMarksLost : ops::kTextDone}));
        ExpectReleased(seen, true);
    }
    MarkRig rig_;
    std::string fault_;
};

TEST_F(MarkReplyWords, HugeSetCountIsRefusedBeforeTheDialog) {
    Seen seen = Press("request 10", Command(CMD_MARK_COUNT), 0xFFFFFFFF);
    EXPECT_EQ(rig_.LastStart(), StartOutcome::TooManySets);
    EXPECT_EQ(seen.messages,
              (std::vector<SeenMessage>{{"The watch reports 4294967295 mark sets, more than it can "
                                         "hold. Nothing was imported; reconnect the watch and try "
                                         "again.",
                                         "Error", ops::MessageIcon::Error}}));
    EXPECT_TRUE(seen.offered.empty());
    EXPECT_FALSE(rig_.LastFile().has_value());
    ExpectReleased(seen, false);
    Record(seen);
}

TEST_F(MarkReplyWords, ZeroSetCountSaysThereIsNoMarkData) {
    Seen seen = Press("request 10", Command(CMD_MARK_COUNT), 0);
    EXPECT_EQ(rig_.LastStart(), StartOutcome::NoMarkData);
    EXPECT_TRUE(seen.messages.empty());
    EXPECT_EQ(seen.positions, (std::vector<int>{0, 100}));
    EXPECT_EQ(seen.texts, (std::vector<std::string>{"", "地点データがありません。"}));
    EXPECT_TRUE(seen.offered.empty());
    EXPECT_FALSE(rig_.LastFile().has_value());
    ExpectReleased(seen, false);
    Record(seen);
}

TEST_F(MarkReplyWords, OneSetMoreThanTheWatchHolds) {
    Seen seen = Press("request 10", Command(CMD_MARK_COUNT), 3);
    EXPECT_EQ(rig_.LastFile(), rig_.FileOf({0, 1}));
    EXPECT_EQ(seen.messages,
              (std::vector<SeenMessage>{{"1 of 3 mark sets could not be read from the watch and "
                                         "are missing from " +
                                             rig_.LastPath() + ".",
                                         "Error", ops::MessageIcon::Error}}));
    Record(seen);
}

TEST_F(MarkReplyWords, SetLengthsBeyondTheWatchsMemoryAreNotAskedFor) {
    for (uint32_t word : {0xFFFFFFFFu, marks::kMaxMarkSetBytes + 1}) {
        SCOPED_TRACE(word);
        Seen seen = Press("request 11 of mark set 0", Command(CMD_MARK_READ), word, 1);
        EXPECT_EQ(rig_.LastResult().sets.at(0).outcome, marks::SetOutcome::TooLong);
        EXPECT_EQ(rig_.Wire().Log().at(3).code, CMD_MARK_READ) << "no block of set 0 requested";
        EXPECT_EQ(rig_.Wire().Log().at(3).value, 1u);
        ExpectFile(seen, rig_.FileOf({1}), 1);
        Record(seen);
    }
}

// A set too short for one mark record writes nothing, as the watch has nothing to say for it;
// one whose length ends inside a block is told as cut short, and the import failed.
TEST_F(MarkReplyWords, SetShorterThanOneMarkWritesNothingForIt) {
    for (uint32_t word : {0u, 1u, 48u + 115u}) {
        SCOPED_TRACE(word);
        Seen seen = Press("request 11 of mark set 0", Command(CMD_MARK_READ), word, 1);
        EXPECT_EQ(rig_.LastFile(), rig_.FileOf({1}));
        ExpectReleased(seen, true);
        if (word == 0) {
            EXPECT_EQ(rig_.LastResult().sets.at(0).outcome, marks::SetOutcome::NoMarks);
            EXPECT_EQ(rig_.LastResult().outcome, RunOutcome::Done);
            EXPECT_TRUE(seen.messages.empty());
            EXPECT_EQ(seen.texts, (std::vector<std::string>{"", ops::kTextDone}));
        } else {
            EXPECT_EQ(rig_.LastResult().sets.at(0).outcome, marks::SetOutcome::CutShort);
            EXPECT_EQ(rig_.LastResult().outcome, RunOutcome::Incomplete);
            EXPECT_EQ(seen.messages,
                      (std::vector<SeenMessage>{
                          {"1 of 2 mark sets came cut short, inside a mark record; " +
                               rig_.LastPath() + " holds what arrived.",
                           "Error", ops::MessageIcon::Error}}));
            EXPECT_EQ(seen.texts, (std::vector<std::string>{"", marks::kTextSomeMarksLost}));
        }
        Record(seen);
    }
}

TEST_F(MarkReplyWords, SetLengthPastItsEndReadsZerosAndStopsAtTheEndMark) {
    Seen seen = Press("request 11 of mark set 0", Command(CMD_MARK_READ), 30000, 1);
    ExpectFile(seen, rig_.FileOf({0, 1}), 0);
    Record(seen);
}

TEST_F(MarkReplyWords, ScoreIndicatorZeroMeansNoScoreRequest) {
    Seen seen = Press("request 18", Command(CMD_SCORE_INFO), 0);
    for (const SentRequest& rq : rig_.Wire().Log())
        EXPECT_NE(rq.code, CMD_SCORE_READ);
    ExpectFile(seen, rig_.FileOf({0, 1}, 0), 0);
    Record(seen);
}

TEST_F(MarkReplyWords, AnyNonZeroScoreIndicatorMeansScoreData) {
    Seen seen = Press("request 18", Command(CMD_SCORE_INFO), 0xFFFFFFFF);
    ExpectFile(seen, rig_.FileOf({0, 1}), 0);
    Record(seen);
}

TEST_F(MarkReplyWords, ScoreLengthsBeyondFiveHundredCardsDropTheSets) {
    for (uint32_t word : {0xFFFFFFFFu, marks::kMaxScoreBytes + 1}) {
        SCOPED_TRACE(word);
        Seen seen = Press("every request 19", Command(CMD_SCORE_READ), word);
        EXPECT_EQ(rig_.LastResult().sets.at(0).outcome, marks::SetOutcome::ScoreTooLong);
        ExpectFile(seen, rig_.FileOf({}), 2);
        Record(seen);
    }
}

TEST_F(MarkReplyWords, ScoreLengthsShortOfOneCardGiveNoScoreLines) {
    for (uint32_t word : {0u, 511u}) {
        SCOPED_TRACE(word);
        Seen seen = Press("every request 19", Command(CMD_SCORE_READ), word);
        ExpectFile(seen, rig_.FileOf({0, 1}, word), 0);
        EXPECT_EQ(rig_.FileOf({0, 1}, word), rig_.FileOf({0, 1}, 0));
        Record(seen);
    }
}

TEST_F(MarkReplyWords, ScoreLengthPastItsEndReadsEmptyCards) {
    const uint32_t word = 3 * 512 + 700;
    Seen seen = Press("every request 19", Command(CMD_SCORE_READ), word);
    ExpectFile(seen, rig_.FileOf({0, 1}, word), 0);
    Record(seen);
}

}  // namespace
}  // namespace veldrant::faults
