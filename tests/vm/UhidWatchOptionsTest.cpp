// The uhid watch's report descriptor and command line, checked on the host: the descriptor must
// give the kernel (and the product's own descriptor parser) exactly the lengths under test.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devicelink/DeviceIdentity.h"
#include "sim/OptionRegistry.h"
#include "sim/uhid/ReportDescriptor.h"
#include "sim/uhid/UhidConfig.h"

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

// The simulator's options and the uhid watch's own, as veldrant-uhid-watch parses them.
struct Parsed {
    bool ok = false;
    std::string error;
    SimConfig sim;
    UhidConfig uhid;
};

Parsed Parse(std::vector<std::string> args) {
    UhidSettings() = UhidConfig{};
    args.insert(args.begin(), "veldrant-uhid-watch");
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    Parsed p;
    p.ok = ParseSimArgs(int(argv.size()), argv.data(), p.sim, &p.error);
    p.uhid = UhidSettings();
    return p;
}

TEST(UhidWatchOptions, PresentsTheIdsOfTheChosenRowWithTheReleaseInItsUniqueId) {
    for (size_t row = 0; row < g_DeviceTable.size(); ++row) {
        Parsed p = Parse({"--model", std::to_string(row)});
        ASSERT_TRUE(p.ok) << p.error;
        const UhidParams params = ParamsFor(p.sim, p.uhid);
        EXPECT_EQ(params.vendorId, g_DeviceTable[row].wVendorId);
        EXPECT_EQ(params.productId, g_DeviceTable[row].wProductId);
        EXPECT_EQ(params.release, g_DeviceTable[row].wRelease);
        EXPECT_EQ(params.uniq, row == 1 ? "0002" : "0001");
        EXPECT_EQ(params.reportDescriptor, BuildReportDescriptor(525, 525));
    }
}

TEST(UhidWatchOptions, OverridesLengthsAndIds) {
    Parsed p = Parse(
        {"--model", "1", "--release", "0x0A07", "--input-length", "77", "--report-length", "589"});
    ASSERT_TRUE(p.ok) << p.error;
    const UhidParams params = ParamsFor(p.sim, p.uhid);
    EXPECT_EQ(params.vendorId, 0x10C4);
    EXPECT_EQ(params.release, 0x0A07);
    EXPECT_EQ(params.uniq, "0A07");
    EXPECT_EQ(params.reportDescriptor, BuildReportDescriptor(77, 589));
}

TEST(UhidWatchOptions, ForeignDeviceMatchesNoRow) {
    Parsed p = Parse({"--foreign"});
    ASSERT_TRUE(p.ok) << p.error;
    const UhidParams params = ParamsFor(p.sim, p.uhid);
    for (const DeviceIdentity& row : g_DeviceTable) {
        EXPECT_FALSE(params.vendorId == row.wVendorId && params.productId == row.wProductId);
    }
}

TEST(UhidWatchOptions, RejectsMistakesWithTheirReason) {
    Parsed p = Parse({"--input-length", "1"});
    EXPECT_FALSE(p.ok);
    EXPECT_NE(p.error.find("--input-length"), std::string::npos) << p.error;
    EXPECT_FALSE(Parse({"--vendor", "0x12345"}).ok);  // more than 16 bits
    p = Parse({"--release"});
    EXPECT_FALSE(p.ok);
    EXPECT_NE(p.error.find("needs"), std::string::npos) << p.error;
}

}  // namespace
}  // namespace veldrant::sim::uhid
