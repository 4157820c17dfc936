// Ctrl-C and SIGTERM: counted as a stop request while a job catches them (a job that rewrites
// the watch wants a second Ctrl-C), and outside a job the end of the process with every pending
// temporary output removed.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "platform/Interrupt.h"
#include "platform/SafeOutput.h"
#include "tests/support/TempDir.h"

namespace veldrant::platform {
namespace {

TEST(Interrupt, CaughtSignalsBecomeStopRequests) {
    InstallInterruptHandling();
    struct Row {
        bool confirm;
        std::vector<int> signals;
        bool stop;
        int presses;
    } rows[] = {
        {false, {}, false, 0},
        {false, {SIGINT}, true, 1},
        {false, {SIGTERM}, true, 0},
        {true, {SIGINT}, false, 1},         // a warning only
        {true, {SIGINT, SIGINT}, true, 2},  // the second at once confirms
        {true, {SIGTERM}, true, 0},         // SIGTERM needs no confirmation
        {true, {SIGINT, SIGTERM}, true, 1},
    };
    for (const Row& row : rows) {
        InterruptCatcher catcher(row.confirm, "", "");
        for (int sig : row.signals)
            ::raise(sig);  // handled before raise returns
        EXPECT_EQ(StopRequested(), row.stop) << row.confirm << " " << row.signals.size();
        EXPECT_EQ(InterruptPresses(), row.presses);
    }
    ::signal(SIGINT, SIG_DFL);
    ::signal(SIGTERM, SIG_DFL);
}

TEST(Interrupt, OutsideAJobTheProcessEndsAndLeavesNoTemporaryFile) {
    for (int sig : {SIGINT, SIGTERM}) {
        testing::TempDir dir;
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            InstallInterruptHandling();
            std::string error;
            auto out = SafeOutput::Create(dir.File("m.csv"), &error);
            if (!out || !out->Write("half"))
                ::_exit(2);
            ::raise(sig);
            ::_exit(3);  // not reached
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 128 + sig);
        EXPECT_TRUE(std::filesystem::is_empty(dir.Path())) << "the temporary file stayed";
    }
}

}  // namespace
}  // namespace veldrant::platform
