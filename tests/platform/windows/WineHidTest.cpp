// The real SetupDi, HidD and HidP path. Under wine the HID class holds wine's own virtual mouse
// and keyboard (vendor 0x845E): the transport lists them, reads their ids and report lengths
// without claiming them, and discovery passes them over as not a watch. Skipped where no such
// device is present (a real Windows machine).
#include <gtest/gtest.h>

#include "devicelink/DeviceLink.h"
#include "platform/windows/HidApi.h"

namespace veldrant::platform::win {
namespace {

constexpr uint16_t kWineVendor = 0x845E;

TEST(WineHid, ListsReadsAndPassesOverWinesVirtualDevices) {
    auto transport = MakeHidTransport(MakeWindowsHidApi());
    std::vector<std::string> wine;
    for (const std::string& path : transport->ListInterfaces()) {
        OpenError error = OpenError::Other;
        std::optional<HidIds> ids = transport->ReadIds(path, &error);
        if (ids && ids->vendorId == kWineVendor) {
            EXPECT_EQ(error, OpenError::None);
            wine.push_back(path);
        }
    }
    if (wine.empty())
        GTEST_SKIP() << "no virtual HID device of wine here";

    for (const std::string& path : wine) {
        SCOPED_TRACE(path);
        EXPECT_EQ(path.rfind("\\\\?\\hid#", 0), 0u);
        // Reading ids again works: the first read claimed nothing.
        EXPECT_TRUE(transport->ReadIds(path));
        std::unique_ptr<IHidDevice> device = transport->Open(path);
        ASSERT_TRUE(device);
        // The mouse and the keyboard have input reports; lengths count the report-ID byte.
        EXPECT_GE(device->InputReportLength(), 2u);
        uint8_t buffer[64];
        size_t got = 0;
        IoResult r = device->Read(buffer, sizeof buffer, &got, std::chrono::milliseconds(0));
        EXPECT_TRUE(r == IoResult::Timeout || r == IoResult::Ok);
        device->Cancel();
        EXPECT_EQ(device->Read(buffer, sizeof buffer, &got, std::chrono::milliseconds(0)),
                  IoResult::Gone);
    }

    CDeviceLink link({transport}, std::chrono::milliseconds(200));
    link.SetDiagnosticStream(nullptr);
    EXPECT_EQ(link.Discover(), 0);
    size_t seen = 0;
    for (const auto& r : link.LastDiscovery()) {
        if (r.ids && r.ids->vendorId == kWineVendor) {
            ++seen;
            EXPECT_EQ(r.tableRow, -1);
            EXPECT_FALSE(r.confirmed);
        }
    }
    EXPECT_EQ(seen, wine.size());
}

TEST(WineHid, NoticesComeFromTheTransportsOwnWindow) {
    auto transport = MakeHidTransport(MakeWindowsHidApi());
    // Subscribing creates and registers the message-only window on the transport's thread and
    // returns once it is ready; ending the subscription ends that thread.
    for (int round = 0; round < 3; ++round) {
        auto subscription = transport->Subscribe([](HidNotice, const std::string&) {});
        EXPECT_TRUE(subscription);
    }
}

}  // namespace
}  // namespace veldrant::platform::win
