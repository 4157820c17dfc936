// The uhid watch's report descriptor and command line, checked on the host: the descriptor must
// give the kernel (and the product's own descriptor parser) exactly the lengths under test.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devicelink/DeviceIdentity.h"
#include "sim/uhid/Options.h"
#include "sim/uhid/ReportDescriptor.h"
#include "sim/uhid/UhidWatch.h"

namespace veldrant::sim::uhid {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Descriptor(uint8_t countIn0, uint8_t countIn1, uint8_t countOut0, uint8_t countOut1) {
    return {0x06,      0x00,      0xFF,                    // Usage Page (vendor 0xFF00)
            0x09,      0x01,                               // Usage (1)
            0xA1,      0x01,                               // Collection (Application)
            0x15,      0x00,                               // Logical Minimum (0)
            0x26,      0xFF,      0x00,                    // Logical Maximum (255)
            0x75,      0x08,                               // Report Size (8)
            countIn0,  countIn1,  0x09, 0x01, 0x81, 0x02,  // Report Count, Usage (1), Input
            countOut0, countOut1, 0x09, 0x02, 0x91, 0x02,  // Report Count, Usage (2), Output
            0xC0};
}

TEST(UhidReportDescriptor, CountsDataBytesWithoutTheReportIdByte) {
    // 525 bytes with the report-ID byte: 524 = 0x020C data bytes, two-byte Report Count.
    Bytes d525 = Descriptor(0x96, 0x0C, 0x96, 0x0C);
    d525.insert(d525.begin() + 16, 0x02);
    d525.insert(d525.begin() + 23, 0x02);
    EXPECT_EQ(BuildReportDescriptor(525, 525), d525);

    // 77: 76 data bytes fit the one-byte form; so does 255, the largest.
    EXPECT_EQ(BuildReportDescriptor(77, 77), Descriptor(0x95, 0x4C, 0x95, 0x4C));
    EXPECT_EQ(BuildReportDescriptor(256, 77), Descriptor(0x95, 0xFF, 0x95, 0x4C));
}

TEST(UhidReportDescriptor, GivesInputAndOutputTheirOwnLengths) {
    const Bytes d = BuildReportDescriptor(525, 589);  // 589: 588 = 0x024C data bytes
    ASSERT_EQ(d.size(), 29u);
    EXPECT_EQ(Bytes(d.begin() + 14, d.begin() + 17), (Bytes{0x96, 0x0C, 0x02}));
    EXPECT_EQ(Bytes(d.begin() + 21, d.begin() + 24), (Bytes{0x96, 0x4C, 0x02}));
}

TEST(UhidReportDescriptor, RefusesLengthsTheKernelCannotCarry) {
    EXPECT_THROW(BuildReportDescriptor(1, 525), std::invalid_argument);
    EXPECT_THROW(BuildReportDescriptor(525, kMaxReportLength + 1), std::invalid_argument);
    EXPECT_NO_THROW(BuildReportDescriptor(kMinReportLength, kMaxReportLength));
}

std::optional<Options> Parse(std::vector<std::string> args, std::string* error) {
    args.insert(args.begin(), "veldrant-uhid-watch");
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    return ParseOptions(int(argv.size()), argv.data(), error);
}

TEST(UhidWatchOptions, PresentsTheIdsOfTheChosenRow) {
    std::string error;
    for (size_t row = 0; row < g_DeviceTable.size(); ++row) {
        auto o = Parse({"--model", std::to_string(row)}, &error);
        ASSERT_TRUE(o) << error;
        const UhidParams p = ParamsFor(*o);
        EXPECT_EQ(p.vendorId, g_DeviceTable[row].wVendorId);
        EXPECT_EQ(p.productId, g_DeviceTable[row].wProductId);
        EXPECT_EQ(p.release, g_DeviceTable[row].wRelease);
        EXPECT_EQ(p.reportDescriptor, BuildReportDescriptor(525, 525));
    }
}

TEST(UhidWatchOptions, OverridesAndForeignDevice) {
    std::string error;
    auto o = Parse({"--model", "1", "--release", "0x0007", "--input-length", "77"}, &error);
    ASSERT_TRUE(o) << error;
    UhidParams p = ParamsFor(*o);
    EXPECT_EQ(p.vendorId, 0x10C4);
    EXPECT_EQ(p.release, 0x0007);
    EXPECT_EQ(p.reportDescriptor, BuildReportDescriptor(77, 525));

    o = Parse({"--foreign"}, &error);
    ASSERT_TRUE(o) << error;
    p = ParamsFor(*o);
    for (const DeviceIdentity& row : g_DeviceTable) {
        EXPECT_FALSE(p.vendorId == row.wVendorId && p.productId == row.wProductId);
    }
}

TEST(UhidWatchOptions, RejectsMistakesWithTheirReason) {
    std::string error;
    EXPECT_FALSE(Parse({"--model", "4"}, &error));
    EXPECT_NE(error.find("--model"), std::string::npos);
    EXPECT_FALSE(Parse({"--report-length", "1"}, &error));
    EXPECT_FALSE(Parse({"--vendor", "12345"}, &error));  // more than 16 bits
    EXPECT_FALSE(Parse({"--unplug-after"}, &error));
    EXPECT_NE(error.find("needs a value"), std::string::npos);
    EXPECT_FALSE(Parse({"--frobnicate"}, &error));
    EXPECT_NE(error.find("unknown option"), std::string::npos);
}

}  // namespace
}  // namespace veldrant::sim::uhid
