// The operations through the real hidraw node give what they give over the simulated transport:
// the same bytes arrive on the watch (or in the mark file), with the same progress and texts.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "firmware/FirmwareUpdate.h"
#include "sim/FirmwareService.h"
#include "tests/firmware/FirmwareImageMaker.h"
#include "tests/support/SimHarness.h"
#include "tests/vm/UhidWatchProcess.h"
#include "tests/vm/VmFixture.h"
#include "tests/vm/VmHost.h"

namespace veldrant::vmtest {
namespace {

using std::chrono::milliseconds;
constexpr milliseconds kFindLimit{5000};

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// What one operation run left behind, for comparing two runs.
struct Run {
    std::vector<uint8_t> bytes;  // on the watch, or in the file
    std::vector<int> positions;
    std::vector<std::string> texts;
    std::vector<Shown> messages;
};

class TransferVmTest : public ::testing::TestWithParam<uint32_t> {
protected:
    void SetUp() override {
        if (!HaveUhid())
            GTEST_SKIP() << "no /dev/uhid here: these tests run in the HID test VM";
        g_bConnected.store(1);
    }
    void TearDown() override { g_bConnected.store(0); }

    testing::TempDir dir_;
};

TEST_P(TransferVmTest, FirmwareUpdateWritesTheSameImageAsOverTheSimulatedTransport) {
    const uint32_t length = GetParam();
    const std::string name(g_DeviceTable[3].Name());
    // 20 blocks and a bit: the last block is a short one.
    const auto image = firmware::test::ImageOfLength(20 * (length - length % 64) + 100, name);
    const std::string file = dir_.Path() + "/fw.bin";
    WriteAll(file, image);

    auto runOn = [&](CDeviceLink& link) {
        VmHost host;
        auto r = firmware::UpdateFirmware(link, host, file);
        EXPECT_EQ(r.outcome, firmware::UpdateOutcome::Done);
        EXPECT_EQ(r.retries, 0u);
        return Run{{}, host.Positions(), host.Texts(), host.Messages()};
    };

    Run sim;
    {
        sim::WatchOptions options;
        options.reportLength = length;
        testing::SimHarness harness(options);
        auto service = std::make_shared<sim::FirmwareService>();
        harness.GetWatch().AddService(service);
        auto link = harness.MakeLink(kExchangeTimeout);
        ASSERT_EQ(link->Discover(), 1);
        sim = runOn(*link);
        sim.bytes = service->Snapshot().image;
    }

    Run kernel;
    {
        const std::string store = dir_.Path() + "/hidraw";
        UhidWatchProcess watch(
            {"--model", "3", "--report-length", std::to_string(length), "--store", store});
        auto link = HidrawLink();
        ASSERT_TRUE(DiscoverWithin(*link, kFindLimit));
        kernel = runOn(*link);
        link->Close();
        watch.Stop();
        kernel.bytes = ReadAll(store + "/firmware.bin");
    }

    EXPECT_EQ(sim.bytes, image);
    EXPECT_EQ(kernel.bytes, image);
    EXPECT_EQ(kernel.positions, sim.positions);
    EXPECT_EQ(kernel.texts, sim.texts);
    EXPECT_EQ(kernel.messages, sim.messages);
}

INSTANTIATE_TEST_SUITE_P(ReportLengths, TransferVmTest, ::testing::Values(525u, 589u),
                         [](const auto& info) { return "L" + std::to_string(info.param); });

}  // namespace
}  // namespace veldrant::vmtest
