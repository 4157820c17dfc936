// The watch pulled out while the removal notice comes on its own thread, as on the desktop: the
// operation may see the failing exchange before or after the notice has closed the link, and
// either way ends as specified, and the next run after the watch is back succeeds.
#include <gtest/gtest.h>

#include "tests/faults/CourseRig.h"
#include "tests/faults/FaultMatrix.h"
#include "tests/faults/FirmwareRig.h"
#include "tests/faults/MarkRig.h"

namespace veldrant::faults {
namespace {

const SeenMessage kDeviceRemoved{"Device removed!", "Error", ops::MessageIcon::Error};
constexpr uint64_t kExchange = 25;

std::string Fault() {
    return "watch pulls itself out at exchange " + std::to_string(kExchange) +
           ", removal notice on its own thread";
}

TEST(RemovalNotice, MarkImportLosesTheSetUnderWayAndTheRest) {
    MarkRig rig;
    SeenHost host;
    rig.PullsItselfOutAt(kExchange, host);
    rig.Run(host);
    const Seen seen = host.Get();
    EXPECT_EQ(rig.LastFile(), std::nullopt);  // no set reached a file: none is made
    // "Device removed!" when the notice came before the worker looked at the flag.
    std::vector<SeenMessage> quiet = {rig.NothingWrittenNote(2)};
    std::vector<SeenMessage> told = {kDeviceRemoved, rig.NothingWrittenNote(2)};
    EXPECT_TRUE(seen.messages == quiet || seen.messages == told) << seen.Summary();
    EXPECT_EQ(seen.texts, (std::vector<std::string>{"", marks::kTextSomeMarksLost}));
    ExpectReleased(seen, true);
    std::string summary = seen.Summary(rig.LastPath());
    AddMatrixRow({"mark import", Fault(), summary, rig.CleanRunAfterFault()});
}

TEST(RemovalNotice, FirmwareUpdateEndsWithoutMessage) {
    FirmwareRig rig;
    SeenHost host;
    rig.PullsItselfOutAt(kExchange, host);
    rig.Run(host);
    const Seen seen = host.Get();
    const uint32_t block = kExchange - 2;
    EXPECT_EQ(rig.LastResult().outcome, firmware::UpdateOutcome::BlockFailed);
    EXPECT_EQ(rig.LastResult().blocksSent, block);
    EXPECT_TRUE(seen.messages.empty()) << seen.Summary();
    EXPECT_TRUE(seen.texts.empty());
    ExpectReleased(seen, true);
    AddMatrixRow({"firmware update", Fault(), seen.Summary(), rig.CleanRunAfterFault()});
}

TEST(RemovalNotice, CourseUploadFails) {
    CourseRig rig;
    SeenHost host;
    rig.PullsItselfOutAt(kExchange, host);
    rig.Run(host);
    const Seen seen = host.Get();
    ExpectUploadFailed(seen);
    AddMatrixRow({"course upload", Fault(), seen.Summary(), rig.CleanRunAfterFault()});
}

}  // namespace
}  // namespace veldrant::faults
