// The simulated watch over the platform's carrier (Unix sockets, named pipes on Windows)
// through the "sim" transport and the device link.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <fstream>
#include <mutex>
#include <thread>

#include "devicelink/VersionText.h"
#include "platform/SimProtocol.h"
#include "tests/support/SimHarness.h"

namespace veldrant::testing {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

TEST(SimSocket, ListsSocketsInByteOrderAndIgnoresOtherFiles) {
    SimHarness sim({}, false);
    // No two names differ in letter case only: on Windows they would be one file.
    for (const char* name : {"b", "a", "C", "a0"}) {
        sim.AddWatch({}, {.name = name});
    }
    std::ofstream(sim.Directory() + "/plain.hid") << "not a socket";
    std::ofstream(sim.Directory() + "/c.txt") << "";
    auto paths = sim.Transport()->ListInterfaces();
    std::vector<std::string> expected;
    for (const char* name : {"C", "a", "a0", "b"}) {
        expected.push_back(sim.Directory() + "/" + name + ".hid");
    }
    EXPECT_EQ(paths, expected);
}

TEST(SimSocket, DiscoversEveryModelAndReadsTheVersion) {
    for (size_t model = 0; model < 4; ++model) {
        SimHarness sim({.model = model, .reportLength = 525, .version = {5, 1, 0x7B}});
        auto link = sim.MakeLink();
        ASSERT_EQ(link->Discover(), 1) << model;
        EXPECT_EQ(link->m_Identity.wRowNumber, model);
        EXPECT_EQ(link->m_strDevicePath, sim.Server().Path());
        EXPECT_EQ(sim.GetWatch().Stats().perCode[200], model == 0 ? 0u : 1u);
        std::vector<uint8_t> b(link->m_dwHIDPacketSize);
        link->m_nCommand = CMD_FW_VERSION;
        ASSERT_EQ(link->RequestBlock(b.data(), 0), 1);
        EXPECT_EQ(FirmwareVersionText(b.data()), "ファームウェアバージョン 1.05");
    }
}

TEST(SimSocket, UnequalLengthsAreSkippedAndTheNextWatchFound) {
    SimHarness sim({}, false);
    sim.AddWatch({}, {.name = "a", .outputLength = 524});
    sim.AddWatch({.model = 2}, {.name = "b"});
    auto link = sim.MakeLink();
    ASSERT_EQ(link->Discover(), 1);
    EXPECT_EQ(link->m_Identity.wRowNumber, 2);
    EXPECT_EQ(link->LastDiscovery().at(0).verdict, "input and output report lengths differ");
}

TEST(SimSocket, DamagedRepliesFailTheRequestButLeaveTheLinkOpen) {
    SimHarness sim;
    auto link = sim.MakeLink(milliseconds(100));
    ASSERT_EQ(link->Discover(), 1);
    std::vector<uint8_t> b(512);
    for (sim::Fault f : {sim::Fault::NoAnswer, sim::Fault::WrongEcho, sim::Fault::WrongCommand,
                         sim::Fault::BadCrc, sim::Fault::Type0, sim::Fault::Type3}) {
        sim.GetWatch().SetFault({.fault = f, .times = 1});
        link->m_nCommand = CMD_FW_VERSION;
        EXPECT_EQ(link->RequestBlock(b.data(), 0), 0) << int(f);
        EXPECT_EQ(link->RequestBlock(b.data(), 0), 1) << "the next request is fine " << int(f);
    }
    EXPECT_EQ(link->m_bConnected.load(), 1);
}

// The removal path of the application: notice → IsCurrentDevice → Close, while a worker waits.
TEST(SimSocket, UnplugDuringAnExchangeFailsItAtOnceAndNotifiesTheRemoval) {
    SimHarness sim;
    auto link = sim.MakeLink(std::chrono::seconds(20));
    ASSERT_EQ(link->Discover(), 1);
    std::mutex m;
    std::condition_variable cv;
    std::vector<std::string> removed;
    link->RegisterArrivalRemoval([&](platform::HidNotice n, const std::string& path) {
        if (n != platform::HidNotice::Removal)
            return;
        if (link->IsCurrentDevice(path))
            link->Close();
        std::lock_guard lock(m);
        removed.push_back(path);
        cv.notify_all();
    });
    sim.GetWatch().SetFault({.fault = sim::Fault::NoAnswer});
    std::atomic<int> result{-1};
    std::atomic<long> took{0};
    std::thread worker([&] {
        auto start = Clock::now();
        std::vector<uint8_t> b(512);
        link->m_nCommand = CMD_FW_VERSION;
        result = link->RequestBlock(b.data(), 0);
        took = long(std::chrono::duration_cast<milliseconds>(Clock::now() - start).count());
    });
    for (int i = 0; i < 5000 && sim.GetWatch().Stats().faulted == 0; ++i) {
        std::this_thread::sleep_for(milliseconds(1));
    }
    sim.Server().Unplug();
    worker.join();
    EXPECT_EQ(result.load(), 0);
    EXPECT_LT(took.load(), 5000);
    std::unique_lock lock(m);
    ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(5), [&] { return !removed.empty(); }));
    EXPECT_EQ(removed.front(), sim.Server().Path());
    EXPECT_EQ(link->m_bConnected.load(), 0);
}

TEST(SimSocket, UnplugAfterNExchangesThenPlugInAgain) {
    SimHarness sim;
    auto link = sim.MakeLink();
    ASSERT_EQ(link->Discover(), 1);  // one exchange: the identity
    sim.GetWatch().UnplugAfter(2);
    std::vector<uint8_t> b(512);
    link->m_nCommand = CMD_FW_VERSION;
    EXPECT_EQ(link->RequestBlock(b.data(), 0), 1);
    EXPECT_EQ(link->RequestBlock(b.data(), 0), 1);
    EXPECT_EQ(link->RequestBlock(b.data(), 0), 0);
    for (int i = 0; i < 1000 && sim.Server().Plugged(); ++i)
        std::this_thread::sleep_for(milliseconds(1));
    EXPECT_FALSE(sim.Server().Plugged());
    EXPECT_EQ(access(sim.Server().Path().c_str(), F_OK), -1) << "the socket file is gone";
    EXPECT_EQ(link->RequestBlock(b.data(), 0), 0);
    link->Close();
    EXPECT_EQ(link->Discover(), 0);
    ASSERT_TRUE(sim.Server().Plug());
    EXPECT_EQ(link->Discover(), 1);
}

TEST(SimSocket, ArrivalIsNotified) {
    SimHarness sim({}, false);
    std::mutex m;
    std::condition_variable cv;
    std::vector<std::string> arrived;
    auto sub = sim.Transport()->Subscribe([&](platform::HidNotice n, const std::string& path) {
        std::lock_guard lock(m);
        if (n == platform::HidNotice::Arrival)
            arrived.push_back(path);
        cv.notify_all();
    });
    ASSERT_TRUE(sim.Server().Plug());
    std::unique_lock lock(m);
    ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(5), [&] { return !arrived.empty(); }));
    EXPECT_EQ(arrived.front(), sim.Server().Path());
}

TEST(SimSocket, ReadingIdsDoesNotKeepAConnection) {
    SimHarness sim;
    auto t = sim.Transport();
    platform::OpenError e;
    auto ids = t->ReadIds(sim.Server().Path(), &e);
    ASSERT_TRUE(ids);
    EXPECT_EQ(ids->productId, 0xA1D9);
    EXPECT_FALSE(t->ReadIds(sim.Directory() + "/missing.hid", &e));
    EXPECT_EQ(e, platform::OpenError::NotFound);
    EXPECT_EQ(t->Open(sim.Directory() + "/missing.hid", &e), nullptr);
}

TEST(SimSocket, ASecondServerCannotTakeALiveName) {
    SimHarness sim;
    sim::SocketServer other(std::make_shared<sim::Watch>(), {.directory = sim.Directory()});
    std::string error;
    EXPECT_FALSE(other.Plug(&error));
    EXPECT_NE(error.find("another device"), std::string::npos) << error;
}

}  // namespace
}  // namespace veldrant::testing
