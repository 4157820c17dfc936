// The hidraw transport's pieces that run without a kernel HID device: the udev id texts, and
// the device's read shifting, writer thread and cancellation, over a FIFO standing in for the
// node (no report descriptor there, so reports count as unnumbered).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "platform/HidrawTransport.h"
#include "platform/linux/HidrawDevice.h"
#include "platform/linux/HidrawIds.h"
#include "tests/support/SimHarness.h"

namespace veldrant::platform {
namespace {

using std::chrono::milliseconds;

TEST(HidrawIds, ParsesHidIdAndReleaseTexts) {
    auto id = linux_hid::ParseHidId("0003:000010C4:00008A3B");
    ASSERT_TRUE(id);
    EXPECT_EQ(id->bus, 3);
    EXPECT_EQ(id->vendorId, 0x10C4);
    EXPECT_EQ(id->productId, 0x8A3B);
    EXPECT_FALSE(linux_hid::ParseHidId("0003:000010C4"));
    EXPECT_FALSE(linux_hid::ParseHidId("0003:0001000010C4:00008A3B"));
    EXPECT_FALSE(linux_hid::ParseHidId("0003:x0010C4:00008A3B"));
    EXPECT_EQ(linux_hid::ParseRelease("0002\n"), 0x0002);
    EXPECT_EQ(linux_hid::ParseRelease("0a07"), 0x0A07);
    EXPECT_FALSE(linux_hid::ParseRelease("12"));
    EXPECT_FALSE(linux_hid::ParseRelease("serial-1234"));
}

class FifoDevice : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = dir_.Path() + "/node";
        ASSERT_EQ(mkfifo(path_.c_str(), 0600), 0);
        OpenError error;
        device_ = linux_hid::HidrawDevice::Open(path_, &error);
        ASSERT_NE(device_, nullptr);
        EXPECT_EQ(error, OpenError::None);
    }
    testing::TempDir dir_;
    std::string path_;
    std::unique_ptr<linux_hid::HidrawDevice> device_;
};

TEST_F(FifoDevice, UnreadableDescriptorGivesNoLengths) {
    EXPECT_EQ(device_->InputReportLength(), 0u);
    EXPECT_EQ(device_->OutputReportLength(), 0u);
}

TEST_F(FifoDevice, UnnumberedReadsGetReportId0InFront) {
    const uint8_t report[5] = {0x23, 1, 2, 3, 0x2A};
    ASSERT_EQ(device_->Write(report, sizeof(report), milliseconds(1000)), IoResult::Ok);
    uint8_t buf[8] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    size_t got = 0;
    ASSERT_EQ(device_->Read(buf, 6, &got, milliseconds(1000)), IoResult::Ok);
    EXPECT_EQ(got, 6u);
    const uint8_t expected[6] = {0, 0x23, 1, 2, 3, 0x2A};
    EXPECT_EQ(std::memcmp(buf, expected, 6), 0);
    EXPECT_EQ(buf[6], 0xEE) << "nothing written past the caller's length";
}

TEST_F(FifoDevice, ALongerReportShowsItsRealLength) {
    const uint8_t report[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_EQ(device_->Write(report, sizeof(report), milliseconds(1000)), IoResult::Ok);
    uint8_t buf[4];
    size_t got = 0;
    ASSERT_EQ(device_->Read(buf, sizeof(buf), &got, milliseconds(1000)), IoResult::Ok);
    EXPECT_GT(got, sizeof(buf));
}

TEST_F(FifoDevice, EmptyQueueTimesOutAndZeroTimeOutOnlyLooks) {
    uint8_t buf[8];
    size_t got = 0;
    EXPECT_EQ(device_->Read(buf, sizeof(buf), &got, milliseconds(0)), IoResult::Timeout);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(device_->Read(buf, sizeof(buf), &got, milliseconds(60)), IoResult::Timeout);
    EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(60));
}

TEST_F(FifoDevice, CancelEndsAWaitingReadAndEverythingAfter) {
    std::atomic<int> result{-1};
    std::thread reader([&] {
        uint8_t buf[8];
        size_t got = 0;
        result = int(device_->Read(buf, sizeof(buf), &got, std::chrono::seconds(20)));
    });
    std::this_thread::sleep_for(milliseconds(20));
    device_->Cancel();
    reader.join();
    EXPECT_EQ(result.load(), int(IoResult::Gone));
    const uint8_t one = 1;
    EXPECT_EQ(device_->Write(&one, 1, milliseconds(100)), IoResult::Gone);
    uint8_t buf[2];
    size_t got;
    EXPECT_EQ(device_->Read(buf, 2, &got, milliseconds(0)), IoResult::Gone);
}

TEST(HidrawOpen, MissingNodeIsNotFound) {
    OpenError error;
    EXPECT_EQ(linux_hid::HidrawDevice::Open("/nonexistent/hidraw9", &error), nullptr);
    EXPECT_EQ(error, OpenError::NotFound);
}

// On a machine without HID devices the transport lists nothing, and asking for a node that
// is not there fails cleanly.
TEST(HidrawTransport, UnknownNodesFailCleanly) {
    auto t = MakeHidrawTransport();
    EXPECT_EQ(t->Name(), "hidraw");
    for (const std::string& path : t->ListInterfaces()) {
        EXPECT_EQ(path.rfind("/dev/", 0), 0u) << path;
    }
    OpenError error;
    EXPECT_FALSE(t->ReadIds("/dev/hidraw-none", &error));
    EXPECT_EQ(error, OpenError::NotFound);
    auto sub = t->Subscribe([](HidNotice, const std::string&) {});
}

}  // namespace
}  // namespace veldrant::platform
