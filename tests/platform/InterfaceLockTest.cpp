// The flock that keeps two Veldrant programs off one watch, and how its holder is found.
#include <gtest/gtest.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdio>
#include <thread>

#include "platform/linux/InterfaceLockLinux.h"
#include "tests/support/TempDir.h"

namespace veldrant::testing {
namespace {

using platform::linux_fd::FlockHolderIn;
using platform::linux_fd::LockFile;

TEST(InterfaceLock, HolderIsReadFromProcLocks) {
    const unsigned long dev = makedev(0, 5), ino = 1234;
    struct Case {
        const char* text;
        long pid;
    } cases[] = {
        {"1: FLOCK  ADVISORY  WRITE 4711 00:05:1234 0 EOF\n", 4711},
        {"1: POSIX  ADVISORY  WRITE 17 00:05:1234 0 EOF\n", 0},  // not a flock
        {"1: FLOCK  ADVISORY  WRITE 4711 00:05:1234 0 EOF\n1: -> FLOCK  ADVISORY  WRITE 99 "
         "00:05:1234 0 EOF\n",
         4711},                                                     // a waiter is no holder
        {"1: FLOCK  ADVISORY  WRITE 4711 00:05:12345 0 EOF\n", 0},  // another inode
        {"1: FLOCK  ADVISORY  WRITE 4711 00:1a:1234 0 EOF\n", 0},   // another device
        {"2: FLOCK  ADVISORY  WRITE 8 fd:01:99 0 EOF\n3: FLOCK  ADVISORY  WRITE 9 00:05:1234 "
         "0 EOF\n",
         9},
        {"garbage\n", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FlockHolderIn(c.text, dev, ino), c.pid) << c.text;
}

TEST(InterfaceLock, ASecondLockIsRefusedWithTheHoldersProcessUntilTheFirstGoes) {
    TempDir dir;
    const std::string file = dir.Path() + "/.watch.hid.lock";
    long holder = -1;
    auto first = LockFile(file, true, &holder);
    ASSERT_TRUE(first);
    EXPECT_EQ(holder, 0);
    // A second open file is refused as another program would be (flock is per open file).
    EXPECT_EQ(LockFile(file, true, &holder), nullptr);
    EXPECT_EQ(holder, long(getpid()));
    // Given back on another thread, as a removal does.
    std::thread([&] { first.reset(); }).join();
    EXPECT_TRUE(LockFile(file, true, &holder));
    // A file that cannot be opened locks nothing and stops nobody.
    EXPECT_TRUE(LockFile(dir.Path() + "/missing", false, &holder));
}

}  // namespace
}  // namespace veldrant::testing
