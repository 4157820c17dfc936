// The mark import against a watch that is pulled out, stops answering, sends broken replies or
// hostile reply words. Each case checks what the user saw, that the window was given back, and
// that the next press after the fault is lifted imports the right bytes.
#include <gtest/gtest.h>

#include "devicelink/Commands.h"
#include "tests/faults/FaultMatrix.h"
#include "tests/faults/MarkRig.h"
#include "tests/faults/Rules.h"

namespace veldrant::faults {
namespace {

using marks::RunOutcome;
using marks::StartOutcome;

const char* const kOperation = "mark import";
const SeenMessage kDeviceRemoved{"Device removed!", "Error", ops::MessageIcon::Error};

bool IsBlockOfSet(const std::vector<SentRequest>& log, uint64_t k, size_t set) {
    return log[k - 1].IsBlock() && MarkRig::SetOf(log, k) == set;
}

// The sets from `first` on are lost; the earlier ones are in the file, and when none is, there
// is no file. The user sees the note about the missing sets (after "Device removed!" when
// `removed`), and the bar's closing text of a failed import.
void ExpectSetsLostFrom(MarkRig& rig, const Seen& seen, size_t first, bool removed) {
    std::vector<size_t> kept;
    for (size_t a = 0; a < first; ++a)
        kept.push_back(a);
    std::vector<SeenMessage> messages;
    if (removed)
        messages.push_back(kDeviceRemoved);
    if (first == 0) {
        EXPECT_EQ(rig.LastFile(), std::nullopt);
        messages.push_back(rig.NothingWrittenNote(rig.SetCount()));
    } else {
        EXPECT_EQ(rig.LastFile(), rig.FileOf(kept));
        messages.push_back(rig.MissingSetsNote(rig.SetCount() - first));
    }
    EXPECT_EQ(seen.messages, messages);
    EXPECT_EQ(seen.texts, (std::vector<std::string>{"", marks::kTextSomeMarksLost}));
    EXPECT_EQ(rig.LastResult().outcome,
              first == 0 ? RunOutcome::NothingWritten : RunOutcome::Incomplete);
    ExpectReleased(seen, true);
}

// Request 10 or 18 failed: nothing shown, nothing locked, no dialog, no file.
void ExpectPressRefusedSilently(MarkRig& rig, const Seen& seen) {
    EXPECT_EQ(rig.LastStart(), StartOutcome::RequestFailed);
    EXPECT_TRUE(seen.messages.empty());
    EXPECT_EQ(seen.positions, (std::vector<int>{0}));
    EXPECT_EQ(seen.texts, (std::vector<std::string>{""}));
    EXPECT_TRUE(seen.offered.empty());
    EXPECT_FALSE(rig.LastFile().has_value());
    ExpectReleased(seen, false);
}

void Record(MarkRig& rig, const std::string& fault, const Seen& seen) {
    std::string summary = seen.Summary(rig.LastPath());
    AddMatrixRow({kOperation, fault, summary, rig.CleanRunAfterFault()});
}

TEST(MarkImportFaults, UnplugAtEveryTenthExchange) {
    MarkRig rig;
    const std::vector<SentRequest> log = rig.Probe();
    ASSERT_GE(log.size(), 100u);
    for (uint64_t k = 10; k <= log.size(); k += 10) {
        const std::string fault = "unplug at exchange " + std::to_string(k) + " of " +
                                  std::to_string(log.size()) + " (" + Describe(log[k - 1]) + ")";
        SCOPED_TRACE(fault);
        SeenHost host;
        rig.UnplugAt(k, host);
        rig.Run(host);
        const Seen seen = host.Get();
        std::optional<size_t> set = MarkRig::SetOf(log, k);
        ASSERT_TRUE(set.has_value()) << "requests 10 and 18 are exchanges 1 and 2";
        // Before a block the worker finds the watch gone: "Device removed!" for that set; the
        // later sets fail at their request 11 without a word.
        ExpectSetsLostFrom(rig, seen, *set, log[k - 1].IsBlock());
        Record(rig, fault, seen);
    }
}

TEST(MarkImportFaults, WatchThatStopsAnswering) {
    MarkRig rig(kSilentTimeout);
    const std::vector<SentRequest> log = rig.Probe();
    struct Case {
        std::string where;
        uint64_t from;
        std::optional<size_t> lostFrom;  // nullopt: the press itself fails
    };
    const uint64_t set0 = FirstMatching(log, Command(CMD_MARK_READ));
    const uint64_t set1 = FirstMatching(log, Command(CMD_MARK_READ), set0 + 1);
    const std::vector<Case> cases = {
        {"request 10", 1, std::nullopt},
        {"request 18", 2, std::nullopt},
        {"block 5 of mark set 0", set0 + 6, 0},
        {"request 19 of mark set 1", FirstMatching(log, Command(CMD_SCORE_READ), set1), 1},
    };
    for (const Case& c : cases) {
        const std::string fault = "watch stops answering from " + c.where;
        SCOPED_TRACE(fault);
        ASSERT_GT(c.from, 0u);
        SeenHost host;
        rig.SilenceFrom(c.from);
        rig.Run(host);
        const Seen seen = host.Get();
        if (c.lostFrom) {
            ExpectSetsLostFrom(rig, seen, *c.lostFrom, false);
        } else {
            ExpectPressRefusedSilently(rig, seen);
        }
        Record(rig, fault, seen);
    }
}

TEST(MarkImportFaults, DamagedReplyToOneBlockIsFetchedAgain) {
    MarkRig rig;
    const std::vector<SentRequest> log = rig.Probe();
    const uint64_t block = FirstMatching(log, Command(CMD_MARK_READ)) + 8;
    ASSERT_TRUE(IsBlockOfSet(log, block, 0));
    for (Damage d : kEveryDamage) {
        const std::string fault = DamageName(d) + ", once, on " + Describe(log[block - 1]);
        SCOPED_TRACE(fault);
        SeenHost host;
        rig.Wire().SetRule(At(block, Broken(d)));
        rig.Run(host);
        const Seen seen = host.Get();
        rig.ExpectSuccess(seen);
        EXPECT_EQ(rig.Wire().Exchanges(), log.size() + 1) << "one block asked for twice";
        Record(rig, fault, seen);
    }
}

TEST(MarkImportFaults, EveryReplyDamagedFromABlockOfTheLastSet) {
    MarkRig rig;
    const std::vector<SentRequest> log = rig.Probe();
    const uint64_t set1 = FirstMatching(log, Command(CMD_MARK_READ), 4);
    ASSERT_TRUE(IsBlockOfSet(log, set1 + 3, 1));
    for (Damage d : kEveryDamage) {
        const std::string fault =
            DamageName(d) + ", every reply from " + Describe(log[set1 + 2]) + " of mark set 1 on";
        SCOPED_TRACE(fault);
        SeenHost host;
        rig.Wire().SetRule(From(set1 + 3, Broken(d)));
        rig.Run(host);
        const Seen seen = host.Get();
        ExpectSetsLostFrom(rig, seen, 1, false);
        Record(rig, fault, seen);
    }
}

// The requests that carry no block take the first reply as it comes: a damaged one fails the
// request at once. Only the block echo is not theirs to check.
TEST(MarkImportFaults, DamagedReplyToARequestWithoutBlock) {
    MarkRig rig;
    rig.Probe();
    struct Case {
        std::string where;
        RequestMatch match;
        int nth;
        std::optional<size_t> lost;  // the set that is lost; nullopt: the press fails
    };
    const std::vector<Case> cases = {
        {"request 10", Command(CMD_MARK_COUNT), 1, std::nullopt},
        {"request 18", Command(CMD_SCORE_INFO), 1, std::nullopt},
        {"request 11 of mark set 0", Command(CMD_MARK_READ), 1, 0},
        {"request 19 of mark set 1", Command(CMD_SCORE_READ), 2, 1},
    };
    for (const Case& c : cases) {
        for (Damage d : kEveryDamage) {
            const std::string fault = DamageName(d) + ", once, on " + c.where;
            SCOPED_TRACE(fault);
            SeenHost host;
            rig.Wire().SetRule(Matching(c.match, Broken(d), c.nth));
            rig.Run(host);
            const Seen seen = host.Get();
            if (d == Damage::WrongEcho) {
                rig.ExpectSuccess(seen);
            } else if (!c.lost) {
                ExpectPressRefusedSilently(rig, seen);
            } else {
                std::vector<size_t> kept;
                for (size_t a = 0; a < rig.SetCount(); ++a) {
                    if (a != *c.lost)
                        kept.push_back(a);
                }
                EXPECT_EQ(rig.LastFile(), rig.FileOf(kept));
                EXPECT_EQ(seen.messages, (std::vector<SeenMessage>{rig.MissingSetsNote(1)}));
                EXPECT_EQ(seen.texts, (std::vector<std::string>{"", marks::kTextSomeMarksLost}));
                ExpectReleased(seen, true);
            }
            Record(rig, fault, seen);
        }
    }
}

}  // namespace
}  // namespace veldrant::faults
