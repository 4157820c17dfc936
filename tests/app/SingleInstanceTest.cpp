// The per-user lock that keeps a second copy of the program from starting.
#include "platform/SingleInstance.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "tests/support/SimHarness.h"

extern char** environ;

using veldrant::platform::CSingleInstance;
using veldrant::platform::InstanceState;

namespace {

// Points XDG_RUNTIME_DIR at a fresh directory for one test and puts it back afterwards.
class RuntimeDir {
public:
    RuntimeDir() {
        if (const char* old = std::getenv("XDG_RUNTIME_DIR"))
            old_ = old;
        ::setenv("XDG_RUNTIME_DIR", dir_.Path().c_str(), 1);
    }
    ~RuntimeDir() {
        if (old_) {
            ::setenv("XDG_RUNTIME_DIR", old_->c_str(), 1);
        } else {
            ::unsetenv("XDG_RUNTIME_DIR");
        }
    }
    const std::string& Path() const { return dir_.Path(); }

private:
    veldrant::testing::TempDir dir_;
    std::optional<std::string> old_;
};

}  // namespace

TEST(SingleInstance, TheSecondCopyFindsTheLockTakenUntilTheFirstGoes) {
    RuntimeDir runtime;
    {
        auto first = std::make_unique<CSingleInstance>("Kestrune GOLF");
        ASSERT_EQ(first->State(), InstanceState::First);
        EXPECT_EQ(first->Where().rfind(runtime.Path() + "/", 0), 0u) << first->Where();

        CSingleInstance second("Kestrune GOLF");
        EXPECT_EQ(second.State(), InstanceState::AlreadyRunning);
        // Another name is another lock.
        CSingleInstance other("Kestrune GOLF 2");
        EXPECT_EQ(other.State(), InstanceState::First);

        first.reset();
        CSingleInstance third("Kestrune GOLF");
        EXPECT_EQ(third.State(), InstanceState::First);
    }
}

TEST(SingleInstance, ANameWithSlashesStaysInTheRuntimeDirectory) {
    RuntimeDir runtime;
    CSingleInstance lock("../../escape/me");
    ASSERT_EQ(lock.State(), InstanceState::First);
    EXPECT_EQ(lock.Where().find('/', runtime.Path().size() + 1), std::string::npos) << lock.Where();
}

TEST(SingleInstance, WithoutARuntimeDirectoryTheLockIsPerUserInTheTemporaryFolder) {
    RuntimeDir runtime;
    ::setenv("XDG_RUNTIME_DIR", "relative/not/allowed", 1);
    CSingleInstance lock("Kestrune GOLF");
    ASSERT_EQ(lock.State(), InstanceState::First);
    EXPECT_NE(lock.Where().find("-" + std::to_string(::geteuid()) + ".lock"), std::string::npos)
        << lock.Where();
    EXPECT_EQ(CSingleInstance("Kestrune GOLF").State(), InstanceState::AlreadyRunning);
}

TEST(SingleInstance, AProgramStartedByTheFirstCopyDoesNotKeepTheLock) {
    RuntimeDir runtime;
    auto first = std::make_unique<CSingleInstance>("Kestrune GOLF");
    ASSERT_EQ(first->State(), InstanceState::First);

    // A child that outlives the lock's owner, as a web browser opened from the About page does.
    pid_t child = 0;
    char sleepName[] = "sleep";
    char seconds[] = "5";
    char* argv[] = {sleepName, seconds, nullptr};
    ASSERT_EQ(::posix_spawnp(&child, "sleep", nullptr, nullptr, argv, environ), 0);

    first.reset();
    EXPECT_EQ(CSingleInstance("Kestrune GOLF").State(), InstanceState::First);

    ::kill(child, SIGTERM);
    int status = 0;
    ::waitpid(child, &status, 0);
}
