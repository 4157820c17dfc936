// The firmware update against a watch that is pulled out, stops answering, sends broken replies
// or hostile reply words. A failed update ends without a message (only a removal seen between
// blocks says "Device removed!"), gives the window back, and the next update sends the image.
#include <gtest/gtest.h>

#include "devicelink/Commands.h"
#include "tests/faults/FaultMatrix.h"
#include "tests/faults/FirmwareRig.h"
#include "tests/faults/Rules.h"

namespace veldrant::faults {
namespace {

using firmware::UpdateOutcome;

void Record(const std::string& fault, const Seen& seen, const std::string& next) {
    AddMatrixRow({"firmware update", fault, seen.Summary(), next});
}

// The start request failed: nothing shown and the bar untouched.
void ExpectStartFailed(const FirmwareRig& rig, const Seen& seen) {
    EXPECT_EQ(rig.LastResult().outcome, UpdateOutcome::StartFailed);
    EXPECT_TRUE(seen.messages.empty());
    EXPECT_TRUE(seen.positions.empty());
    EXPECT_TRUE(seen.texts.empty());
    ExpectReleased(seen, true);
}

// Block `block` failed on both tries: nothing shown, the bar where block `block` - 1 left it.
void ExpectBlockFailed(const FirmwareRig& rig, const Seen& seen, uint32_t block) {
    EXPECT_EQ(rig.LastResult().outcome, UpdateOutcome::BlockFailed);
    EXPECT_EQ(rig.LastResult().blocksSent, block);
    EXPECT_TRUE(seen.messages.empty());
    EXPECT_TRUE(seen.texts.empty());
    ASSERT_EQ(seen.positions.size(), block);
    if (block > 0) {
        EXPECT_EQ(seen.positions.back(),
                  firmware::FirmwareProgress(block - 1, kPayload, rig.ImageLength()));
    }
    ExpectReleased(seen, true);
}

TEST(FirmwareUpdateFaults, UnplugAtTheStartAndAtEveryTenthExchange) {
    FirmwareRig rig;
    const std::vector<SentRequest> log = rig.Probe();
    ASSERT_EQ(log.size(), 1u + 151u);
    std::vector<uint64_t> moments = {1};
    for (uint64_t k = 10; k <= log.size(); k += 10)
        moments.push_back(k);
    for (uint64_t k : moments) {
        const std::string fault = "unplug at exchange " + std::to_string(k) + " of " +
                                  std::to_string(log.size()) + " (" + Describe(log[k - 1]) + ")";
        SCOPED_TRACE(fault);
        SeenHost host;
        rig.UnplugAt(k, host);
        rig.Run(host);
        const Seen seen = host.Get();
        // Both tries of the block fail before the worker looks at the connected flag again.
        if (k == 1) {
            ExpectStartFailed(rig, seen);
        } else {
            ExpectBlockFailed(rig, seen, static_cast<uint32_t>(k - 2));
            EXPECT_EQ(rig.WatchState().blocksReceived, k - 2);
        }
        Record(fault, seen, rig.CleanRunAfterFault());
    }
}

TEST(FirmwareUpdateFaults, RemovalNoticedBetweenBlocksSaysDeviceRemoved) {
    FirmwareRig rig;
    SeenHost host;
    rig.UnplugAtProgress(20, host);
    rig.Run(host);
    const Seen seen = host.Get();
    EXPECT_EQ(rig.LastResult().outcome, UpdateOutcome::DeviceRemoved);
    EXPECT_EQ(seen.messages,
              (std::vector<SeenMessage>{{"Device removed!", "Error", ops::MessageIcon::Error}}));
    EXPECT_EQ(seen.positions.size(), 20u);
    EXPECT_TRUE(seen.texts.empty());
    EXPECT_EQ(rig.WatchState().blocksReceived, 20u);
    ExpectReleased(seen, true);
    Record("removal noticed between block 19 and block 20", seen, rig.CleanRunAfterFault());
}

TEST(FirmwareUpdateFaults, WatchThatStopsAnswering) {
    FirmwareRig rig(kSilentTimeout);
    {
        SeenHost host;
        rig.SilenceFrom(1);
        rig.Run(host);
        const Seen seen = host.Get();
        ExpectStartFailed(rig, seen);
        Record("watch stops answering from the start request", seen, rig.CleanRunAfterFault());
    }
    {
        SeenHost host;
        rig.SilenceFrom(2 + 50);
        rig.Run(host);
        const Seen seen = host.Get();
        ExpectBlockFailed(rig, seen, 50);
        Record("watch stops answering from block 50", seen, rig.CleanRunAfterFault());
    }
}

TEST(FirmwareUpdateFaults, DamagedReplies) {
    FirmwareRig rig;
    const std::vector<SentRequest> log = rig.Probe();
    for (Damage d : kEveryDamage) {
        SCOPED_TRACE(DamageName(d));
        {
            SeenHost host;
            rig.Wire().SetRule(At(2 + 40, Broken(d)));
            rig.Run(host);
            const Seen seen = host.Get();
            rig.ExpectSuccess(seen);
            EXPECT_EQ(rig.LastResult().retries, 1u);
            Record(DamageName(d) + ", once, on block 40", seen, rig.CleanRunAfterFault());
        }
        {
            SeenHost host;
            rig.Wire().SetRule(From(2 + 60, Broken(d)));
            rig.Run(host);
            const Seen seen = host.Get();
            ExpectBlockFailed(rig, seen, 60);
            Record(DamageName(d) + ", every reply from block 60 on", seen,
                   rig.CleanRunAfterFault());
        }
        {
            SeenHost host;
            rig.Wire().SetRule(At(1, Broken(d)));
            rig.Run(host);
            const Seen seen = host.Get();
            // The start request's reply carries no block number to echo.
            if (d == Damage::WrongEcho) {
                rig.ExpectSuccess(seen);
            } else {
                ExpectStartFailed(rig, seen);
            }
            Record(DamageName(d) + ", once, on the start request", seen, rig.CleanRunAfterFault());
        }
    }
}

// The start request's reply word means nothing: whatever the watch puts there, the update goes.
TEST(FirmwareUpdateFaults, StartReplyWordIsNotRead) {
    FirmwareRig rig;
    for (uint32_t word : {0u, 0xFFFFFFFFu}) {
        SeenHost host;
        rig.Wire().SetRule(Matching(Command(CMD_FW_UPDATE), ReplyWord(word)));
        rig.Run(host);
        const Seen seen = host.Get();
        rig.ExpectSuccess(seen);
        Record("reply word " + std::to_string(word) + " to the start request", seen,
               rig.CleanRunAfterFault());
    }
}

}  // namespace
}  // namespace veldrant::faults
