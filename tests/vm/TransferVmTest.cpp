// The operations through the real hidraw node give what they give over the simulated transport:
// the same bytes arrive on the watch (or in the mark file), with the same progress and texts.
// Both watches are built from the same veldrant-uhid-watch options: one in a child process on
// /dev/uhid, the other in this process on a socket of the simulated transport.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "firmware/FirmwareUpdate.h"
#include "marks/MarkImport.h"
#include "platform/SimTransport.h"
#include "sim/OptionRegistry.h"
#include "sim/SocketServer.h"
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

// The watch veldrant-uhid-watch would present for `args`, served on a socket instead.
class SocketWatch {
public:
    SocketWatch(std::vector<std::string> args, const std::string& dir) : dir_(dir) {
        args.insert(args.begin(), "veldrant-uhid-watch");
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        sim::SimConfig config;
        std::string error;
        if (!sim::ParseSimArgs(int(argv.size()), argv.data(), config, &error)) {
            throw std::runtime_error(error);
        }
        auto watch = std::make_shared<sim::Watch>(config.watch);
        for (const sim::SimSetup& setup : sim::SimSetups())
            setup(*watch, config);
        sim::ServerOptions server;
        server.directory = dir;
        server_ = std::make_unique<sim::SocketServer>(watch, server);
        if (!server_->Plug(&error))
            throw std::runtime_error(error);
    }
    std::unique_ptr<CDeviceLink> Link() {
        auto link =
            std::make_unique<CDeviceLink>(std::vector<std::shared_ptr<platform::IHidTransport>>{
                platform::MakeSimTransport(dir_)});
        link->SetDiagnosticStream(nullptr);
        return link;
    }

private:
    std::string dir_;
    std::unique_ptr<sim::SocketServer> server_;
};

// What one operation run left behind, for comparing two runs.
struct RunRecord {
    std::vector<uint8_t> bytes;  // on the watch, or in the file
    std::vector<int> positions;
    std::vector<std::string> texts;
    std::vector<Shown> messages;
};

RunRecord Record(const VmHost& host, std::vector<uint8_t> bytes) {
    return {std::move(bytes), host.Positions(), host.Texts(), host.Messages()};
}

class TransferVmTest : public ::testing::TestWithParam<uint32_t> {
protected:
    void SetUp() override {
        if (!HaveUhid())
            GTEST_SKIP() << "no /dev/uhid here: these tests run in the HID test VM";
        g_bConnected.store(1);  // the pages' flag, as the watcher would keep it
    }
    void TearDown() override { g_bConnected.store(0); }

    std::vector<std::string> Args(std::vector<std::string> more = {}) const {
        std::vector<std::string> args{"--model", "3", "--report-length",
                                      std::to_string(GetParam())};
        args.insert(args.end(), more.begin(), more.end());
        return args;
    }

    // Runs `operation` once over the simulated transport and once through hidraw, each watch
    // built with Args() and its side's extra options. `operation` gets the link and the side's
    // name ("sim" or "hidraw").
    template <typename Operation>
    std::pair<RunRecord, RunRecord> RunBoth(const std::vector<std::string>& simExtra,
                                            const std::vector<std::string>& kernelExtra,
                                            Operation operation) {
        RunRecord sim, kernel;
        {
            SocketWatch watch(Args(simExtra), dir_.Path());
            auto link = watch.Link();
            EXPECT_EQ(link->Discover(), 1);
            sim = operation(*link, std::string("sim"));
        }
        {
            UhidWatchProcess watch(Args(kernelExtra));
            auto link = HidrawLink();
            EXPECT_TRUE(DiscoverWithin(*link, kFindLimit));
            kernel = operation(*link, std::string("hidraw"));
            link->Close();
        }
        return {sim, kernel};
    }

    static void ExpectSameRuns(const RunRecord& sim, const RunRecord& kernel) {
        EXPECT_EQ(kernel.bytes, sim.bytes);
        EXPECT_EQ(kernel.positions, sim.positions);
        EXPECT_EQ(kernel.texts, sim.texts);
        EXPECT_EQ(kernel.messages, sim.messages);
    }

    testing::TempDir dir_;
};

TEST_P(TransferVmTest, FirmwareUpdateWritesTheSameImageAsOverTheSimulatedTransport) {
    const uint32_t payload = GetParam() - GetParam() % 64;
    // 20 blocks and a short one.
    const auto image = firmware::test::ImageOfLength(20 * payload + 100, g_DeviceTable[3].Name());
    const std::string file = dir_.Path() + "/fw.bin";
    WriteAll(file, image);

    auto store = [&](const std::string& side) { return dir_.Path() + "/" + side + "-store"; };
    std::filesystem::create_directories(store("sim"));
    auto [sim, kernel] = RunBoth({"--store", store("sim")}, {"--store", store("hidraw")},
                                 [&](CDeviceLink& link, const std::string& side) {
                                     VmHost host;
                                     const auto r = firmware::UpdateFirmware(link, host, file);
                                     EXPECT_EQ(r.outcome, firmware::UpdateOutcome::Done) << side;
                                     EXPECT_EQ(r.blockCount, 21u) << side;
                                     EXPECT_EQ(r.retries, 0u) << side;
                                     return Record(host, ReadAll(store(side) + "/firmware.bin"));
                                 });
    EXPECT_EQ(sim.bytes, image);
    ExpectSameRuns(sim, kernel);
    EXPECT_EQ(kernel.texts, (std::vector<std::string>{ops::kTextDone}));
}

TEST_P(TransferVmTest, MarkImportWritesTheSameFileAsOverTheSimulatedTransport) {
    auto [sim, kernel] = RunBoth({}, {}, [&](CDeviceLink& link, const std::string& side) {
        const std::string file = dir_.Path() + "/" + side + ".csv";
        VmHost host(file);
        marks::MarkImport import(link);
        EXPECT_EQ(import.Start(host), marks::StartOutcome::Ready) << side;
        const auto r = import.Run(host);
        EXPECT_EQ(r.outcome, marks::RunOutcome::Done) << side;
        return Record(host, ReadAll(file));
    });
    // The byte order mark and the sample's lines, Japanese names included.
    ASSERT_GT(sim.bytes.size(), 1000u);
    EXPECT_EQ(std::string(sim.bytes.begin(), sim.bytes.begin() + 3), "\xEF\xBB\xBF");
    ExpectSameRuns(sim, kernel);
    EXPECT_EQ(kernel.texts.back(), ops::kTextDone);
}

INSTANTIATE_TEST_SUITE_P(ReportLengths, TransferVmTest, ::testing::Values(525u, 589u),
                         [](const auto& info) { return "L" + std::to_string(info.param); });

}  // namespace
}  // namespace veldrant::vmtest
