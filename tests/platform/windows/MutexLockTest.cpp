// The named mutex that keeps two Veldrant programs off one watch on Windows.
#include <gtest/gtest.h>

#include <thread>

#include "platform/windows/InterfaceLockWin32.h"

namespace veldrant::testing {
namespace {

using platform::win::LockInterfaceMutex;

TEST(MutexLock, OneHolderPerInterfaceWhateverTheSpellingAndGivenBackFromAnyThread) {
    const std::string path = "\\\\?\\HID#VID_0483&PID_A1D9#7&1a2b&0&0000#{4d1e55b2}";
    const std::string other = "\\\\?\\hid#vid_0483&pid_a1d9#7&1a2b&0&0000#{4d1e55b2}";
    long holder = -1;
    auto first = LockInterfaceMutex(path, &holder);
    ASSERT_TRUE(first);
    EXPECT_EQ(LockInterfaceMutex(other, &holder), nullptr);
    EXPECT_EQ(holder, 0);
    EXPECT_TRUE(LockInterfaceMutex(path + "1", &holder)) << "another interface is free";
    std::thread([&] { first.reset(); }).join();
    EXPECT_TRUE(LockInterfaceMutex(other, &holder));
}

}  // namespace
}  // namespace veldrant::testing
