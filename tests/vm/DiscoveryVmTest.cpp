// Discovery through the kernel: uhid watches found by the hidraw transport, their reports sized
// from the descriptor the kernel holds, their identity asked with command 200 where the table
// wants it; other HID devices left alone.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <vector>

#include "devicelink/DeviceIdentity.h"
#include "tests/vm/UhidWatchProcess.h"
#include "tests/vm/VmFixture.h"

namespace veldrant::vmtest {
namespace {

using std::chrono::milliseconds;
constexpr milliseconds kFindLimit{5000};

class DiscoveryVmTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveUhid())
            GTEST_SKIP() << "no /dev/uhid here: these tests run in the HID test VM";
    }
};

TEST_F(DiscoveryVmTest, FindsEachModelAndAsksIdentityOnlyWhereTheTableWantsIt) {
    for (size_t row = 0; row < g_DeviceTable.size(); ++row) {
        SCOPED_TRACE("row " + std::to_string(row));
        UhidWatchProcess watch({"--model", std::to_string(row)});
        CapturedStream diag;
        auto link = HidrawLink(diag.File());
        ASSERT_TRUE(DiscoverWithin(*link, kFindLimit));

        EXPECT_EQ(link->m_dwReportLength, 525u);
        EXPECT_EQ(link->m_dwHIDPacketSize, 512u);
        EXPECT_EQ(std::memcmp(&link->m_Identity, &g_DeviceTable[row], sizeof(DeviceIdentity)), 0);
        EXPECT_EQ(diag.Text(), "m_dwHIDPacketSize 0x200\r\n");
        EXPECT_TRUE(link->m_strDevicePath.starts_with("/dev/hidraw")) << link->m_strDevicePath;
        EXPECT_EQ(link->Discover(), 1) << "an open link stays open";

        link->Close();
        watch.Stop();
        // Row 0 is accepted on its ids alone; rows 1 to 3 answer one identity request.
        EXPECT_EQ(ReportsServed(watch.Lines()), row == 0 ? 0 : 1);
    }
}

TEST_F(DiscoveryVmTest, SizesTheFrameFromTheKernelsReportDescriptor) {
    {
        UhidWatchProcess watch({"--model", "3", "--report-length", "589"});
        CapturedStream diag;
        auto link = HidrawLink(diag.File());
        ASSERT_TRUE(DiscoverWithin(*link, kFindLimit));
        EXPECT_EQ(link->m_dwReportLength, 589u);
        EXPECT_EQ(link->m_dwHIDPacketSize, 576u);
        EXPECT_EQ(diag.Text(), "m_dwHIDPacketSize 0x240\r\n");
    }
    {
        // 77 leaves a payload of 64 bytes, too small for the 76-byte identity record.
        UhidWatchProcess watch({"--model", "0", "--report-length", "77", "--hid-name", "short"});
        ASSERT_TRUE(HidrawNodeNamed("short", kFindLimit));
        auto link = HidrawLink();
        EXPECT_EQ(link->Discover(), 0);
        watch.Stop();
        EXPECT_EQ(ReportsServed(watch.Lines()), 0);
    }
}

TEST_F(DiscoveryVmTest, SkipsUnequalReportLengthsAndOpensTheNextMatchingWatch) {
    UhidWatchProcess uneven({"--model", "3", "--input-length", "525", "--output-length", "589",
                             "--hid-name", "uneven"});
    ASSERT_TRUE(HidrawNodeNamed("uneven", kFindLimit));
    auto link = HidrawLink();
    EXPECT_EQ(link->Discover(), 0);

    UhidWatchProcess even({"--model", "3", "--hid-name", "even"});
    auto evenNode = HidrawNodeNamed("even", kFindLimit);
    ASSERT_TRUE(evenNode);
    ASSERT_TRUE(DiscoverWithin(*link, kFindLimit));
    EXPECT_EQ(link->m_strDevicePath, *evenNode);
    link->Close();
    uneven.Stop();
    EXPECT_EQ(ReportsServed(uneven.Lines()), 0);
}

TEST_F(DiscoveryVmTest, IgnoresAForeignHidDevice) {
    UhidWatchProcess foreign({"--foreign", "--hid-name", "foreign"});
    auto foreignNode = HidrawNodeNamed("foreign", kFindLimit);
    ASSERT_TRUE(foreignNode);
    auto link = HidrawLink();
    EXPECT_EQ(link->Discover(), 0);

    UhidWatchProcess watch({"--model", "2", "--hid-name", "watch"});
    auto watchNode = HidrawNodeNamed("watch", kFindLimit);
    ASSERT_TRUE(watchNode);
    ASSERT_TRUE(DiscoverWithin(*link, kFindLimit));
    EXPECT_EQ(link->m_strDevicePath, *watchNode);
    link->Close();
    foreign.Stop();
    EXPECT_EQ(ReportsServed(foreign.Lines()), 0) << "nothing is sent to the foreign device";
    EXPECT_EQ(foreign.Count("open"), 0) << "the foreign device is never opened";
}

TEST_F(DiscoveryVmTest, TwoMatchingWatchesTheFirstInEnumerationOrderIsUsed) {
    UhidWatchProcess first({"--model", "3", "--hid-name", "first"});
    auto firstNode = HidrawNodeNamed("first", kFindLimit);
    UhidWatchProcess second({"--model", "3", "--hid-name", "second"});
    auto secondNode = HidrawNodeNamed("second", kFindLimit);
    ASSERT_TRUE(firstNode && secondNode);

    // Both interfaces listed, the older device first.
    auto listed = Hidraw()->ListInterfaces();
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0], *firstNode);
    EXPECT_EQ(listed[1], *secondNode);

    auto link = HidrawLink();
    ASSERT_TRUE(DiscoverWithin(*link, kFindLimit));
    EXPECT_EQ(link->m_strDevicePath, *firstNode);
    link->Close();
    first.Stop();
    second.Stop();
    EXPECT_EQ(ReportsServed(first.Lines()), 1);
    EXPECT_EQ(ReportsServed(second.Lines()), 0);
    EXPECT_EQ(second.Count("open"), 0) << "the second watch is never opened";
}

// Two programs on one node: the kernel hands every input report to every open handle, so the
// idle one finds the other's replies queued; and while one holds the watch the other waits.
TEST_F(DiscoveryVmTest, TwoLinksOnOneWatchNeitherTakesTheOthersReplyNorItsTurn) {
    UhidWatchProcess watch({"--model", "3"});
    auto first = HidrawLink();
    auto second = HidrawLink();
    ASSERT_TRUE(DiscoverWithin(*first, kFindLimit));
    ASSERT_TRUE(DiscoverWithin(*second, kFindLimit));
    std::vector<uint8_t> block(first->m_dwHIDPacketSize);
    first->m_nCommand = CMD_IDENTITY;
    ASSERT_EQ(first->RequestBlock(block.data(), 0), 1);
    // That reply sits on the second handle too; the second link's request reads past it.
    EXPECT_EQ(second->SendCommand(CMD_FW_VERSION, 0), 1);

    ASSERT_EQ(first->Hold(), CDeviceLink::HoldOutcome::Held);
    EXPECT_EQ(second->SendCommand(CMD_FW_VERSION, 0), 0);
    long holder = 0;
    EXPECT_TRUE(second->RefusedAsBusy(&holder));
    EXPECT_EQ(holder, long(getpid())) << "the holder is read from /proc/locks";
    first->Release();
    EXPECT_EQ(second->SendCommand(CMD_FW_VERSION, 0), 1);
    first->Close();
    second->Close();
}

}  // namespace
}  // namespace veldrant::vmtest
