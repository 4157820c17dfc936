// The hello on the wire of the Linux carrier, read with a bare Unix socket.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>

#include <cstring>

#include "platform/linux/UnixSocket.h"
#include "tests/support/SimHarness.h"

namespace veldrant::testing {
namespace {

using std::chrono::milliseconds;

TEST(SimSocket, GreetsEachConnectionWithTheHello) {
    SimHarness sim({.model = 1, .reportLength = 589});
    platform::OpenError error;
    platform::linux_fd::Fd fd(
        platform::linux_fd::ConnectSeqpacket(sim.Server().Path(), milliseconds(500), &error));
    ASSERT_TRUE(fd);
    uint8_t hello[64];
    pollfd p{fd.Get(), POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 2000), 1);
    ASSERT_EQ(recv(fd.Get(), hello, sizeof(hello), 0), 18);
    const uint8_t expected[18] = {'V',  'L',  'D',  'S',  'I',  'M',  '0',  '1',  0xC4,
                                  0x10, 0x3B, 0x8A, 0x02, 0x00, 0x4D, 0x02, 0x4D, 0x02};
    EXPECT_EQ(std::memcmp(hello, expected, 18), 0);
}

}  // namespace
}  // namespace veldrant::testing
