// One watch pulled out and another, with a longer report, found in its place between two
// steps of an operation, faster than the page's connected flag can show: the operation must
// not go on with blocks cut for the first watch's payload size (it would send the second watch
// bytes from past the end of its block buffers), and the next run on the first watch succeeds.
#include <gtest/gtest.h>

#include "devicelink/Commands.h"
#include "sim/CourseService.h"
#include "sim/FirmwareService.h"
#include "tests/faults/CourseRig.h"
#include "tests/faults/FaultMatrix.h"
#include "tests/faults/FirmwareRig.h"

namespace veldrant::faults {
namespace {

constexpr uint32_t kOtherLength = 205;  // P = 192

TEST(SwappedWatch, FirmwareUpdateStopsBeforeSendingToTheOtherWatch) {
    FirmwareRig rig;
    sim::Watch& other = rig.AddOtherWatch(kOtherLength);
    other.AddService(std::make_shared<sim::FirmwareService>());
    SeenHost host;
    rig.SwapWatchAtProgress(150, host);  // before the last block, which is part of a block
    rig.Run(host);
    const Seen seen = host.Get();
    EXPECT_EQ(rig.LastResult().outcome, firmware::UpdateOutcome::BlockFailed);
    EXPECT_EQ(rig.LastResult().blocksSent, 150u);
    EXPECT_EQ(other.Stats().perCode[CMD_FW_UPDATE], 0u) << "blocks sent to the other watch";
    EXPECT_TRUE(seen.messages.empty());
    EXPECT_TRUE(seen.texts.empty());
    ExpectReleased(seen, true);
    AddMatrixRow({"firmware update",
                  "watch swapped for one with P = 192 before the last block, connected flag "
                  "still 1",
                  seen.Summary(), rig.CleanRunAfterFault()});
}

TEST(SwappedWatch, CourseUploadStopsBeforeSendingToTheOtherWatch) {
    CourseRig rig;
    sim::Watch& other = rig.AddOtherWatch(kOtherLength);
    auto service = std::make_shared<sim::CourseService>();
    other.AddService(service);
    SeenHost host;
    rig.SwapWatchAtProgress(3, host);  // 1 (directory), 1 (golf course 0), 33 (golf course 1)
    rig.Run(host);
    const Seen seen = host.Get();
    ExpectUploadFailed(seen);
    for (const auto& e : service->Snapshot().events)
        EXPECT_NE(e.step, sim::CourseService::Step::Block) << "a block sent to the other watch";
    AddMatrixRow({"course upload",
                  "watch swapped for one with P = 192 before golf course 1, connected flag "
                  "still 1",
                  seen.Summary(), rig.CleanRunAfterFault()});
}

}  // namespace
}  // namespace veldrant::faults
