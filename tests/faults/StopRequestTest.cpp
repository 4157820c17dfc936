// Ctrl-C in a terminal asks a job to stop: every operation stops at the next block boundary,
// never in the middle of an exchange, sends nothing more, and leaves the watch usable; the mark
// import makes no file.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/faults/CourseRig.h"
#include "tests/faults/FirmwareRig.h"
#include "tests/faults/MarkRig.h"

namespace veldrant::faults {
namespace {

// The stop comes just after the bar's `at`th position; nothing may go out after it.
void StopAt(Rig& rig, SeenHost& host, size_t at, size_t& sentAtStop) {
    host.onProgress = [&rig, &host, at, &sentAtStop](size_t count) {
        if (count == at) {
            sentAtStop = rig.Wire().Log().size();
            host.stop.store(true);
        }
    };
}

TEST(StopRequest, EveryOperationStopsAtABlockBoundaryAndSendsNothingMore) {
    for (size_t at : {2u, 3u, 9u}) {
        SCOPED_TRACE("stop after progress step " + std::to_string(at));
        {
            MarkRig rig;
            SeenHost host;
            size_t sent = 0;
            StopAt(rig, host, at, sent);
            rig.Run(host);
            EXPECT_EQ(rig.LastResult().outcome, marks::RunOutcome::Stopped);
            EXPECT_EQ(rig.Wire().Log().size(), sent);
            EXPECT_EQ(rig.LastFile(), std::nullopt);
            for (const auto& e : std::filesystem::directory_iterator(rig.Directory()))
                EXPECT_EQ(e.path().extension(), ".hid") << "left behind: " << e.path();
            EXPECT_TRUE(host.Get().messages.empty());
            rig.CleanRunAfterFault();
        }
        {
            FirmwareRig rig;
            SeenHost host;
            size_t sent = 0;
            StopAt(rig, host, at, sent);
            rig.Run(host);
            EXPECT_EQ(rig.LastResult().outcome, firmware::UpdateOutcome::Stopped);
            EXPECT_EQ(rig.Wire().Log().size(), sent);
            EXPECT_GT(rig.LastResult().blocksSent, 0u);
            EXPECT_LT(rig.LastResult().blocksSent, rig.LastResult().blockCount);
            EXPECT_TRUE(host.Get().messages.empty());
            rig.CleanRunAfterFault();
        }
        if (at < 5) {  // the upload moves the bar once a golf course
            CourseRig rig;
            SeenHost host;
            size_t sent = 0;
            StopAt(rig, host, at, sent);
            rig.Run(host);
            EXPECT_TRUE(rig.LastSummary().stopped);
            EXPECT_FALSE(rig.LastSummary().ok);
            EXPECT_EQ(rig.Wire().Log().size(), sent);
            EXPECT_TRUE(host.Get().messages.empty()) << host.Get().Summary();
            rig.CleanRunAfterFault();
        }
    }
}

}  // namespace
}  // namespace veldrant::faults
