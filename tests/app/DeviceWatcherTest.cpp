// The watcher against a simulated watch on real sockets: when the connected flag follows the
// watch, how fast, and that teardown leaves nothing touching the link.
#include "app/DeviceWatcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "tests/app/WaitFor.h"
#include "tests/support/SimHarness.h"

using namespace std::chrono_literals;
using veldrant::g_bConnected;
using veldrant::app::CDeviceWatcher;
using veldrant::app::CWatchEvent;
using veldrant::testing::SimHarness;
using veldrant::testing::Since;
using veldrant::testing::WaitUntil;

namespace {

bool Connected() {
    return g_bConnected.load() == 1;
}
bool Disconnected() {
    return g_bConnected.load() == 0;
}

// A watcher over a link to the harness's watch, with the link's removal notices handled the
// way the main window handles them (here straight on the transport's thread).
struct Rig {
    explicit Rig(SimHarness& sim, std::chrono::milliseconds timeout = 300ms)
        : link(sim.MakeLink(timeout)), watcher(event, [this] {
              ++searches;
              return link->Discover();
          }) {
        g_bConnected.store(0);
        link->RegisterArrivalRemoval([this](veldrant::platform::HidNotice n, const std::string& p) {
            veldrant::app::HandleDeviceChange(*link, event, n, p);
        });
    }
    ~Rig() {
        watcher.Stop([this] { link->Close(); });
    }

    CWatchEvent event;
    std::unique_ptr<veldrant::CDeviceLink> link;
    std::atomic<int> searches{0};
    CDeviceWatcher watcher;
};

}  // namespace

TEST(WatchEvent, IsAutoResetAndKeepsASignalUntilSomeoneWaits) {
    CWatchEvent event;
    EXPECT_FALSE(event.Wait(10ms));
    event.Set();
    event.Set();  // two signals before a wait wake it once
    EXPECT_TRUE(event.Wait(0ms));
    EXPECT_FALSE(event.Wait(10ms));
}

TEST(DeviceWatcher, FindsAWatchPluggedInBeforeStartWithoutWaitingTheInterval) {
    SimHarness sim;
    Rig rig(sim);
    auto start = std::chrono::steady_clock::now();
    rig.watcher.Start();
    ASSERT_TRUE(WaitUntil(Connected, 2000ms));
    EXPECT_LT(Since(start), 700ms);
    EXPECT_EQ(rig.searches.load(), 1);
}

TEST(DeviceWatcher, SearchesOnceASecondUntilTheWatchIsPluggedInThenSleeps) {
    SimHarness sim({}, /*plugged=*/false);
    Rig rig(sim);
    rig.watcher.Start();
    std::this_thread::sleep_for(2300ms);
    EXPECT_TRUE(Disconnected());
    // The first search at once, then one a second.
    EXPECT_GE(rig.searches.load(), 2);
    EXPECT_LE(rig.searches.load(), 4);

    ASSERT_TRUE(sim.Server().Plug());
    auto plugged = std::chrono::steady_clock::now();
    ASSERT_TRUE(WaitUntil(Connected, 2500ms));
    EXPECT_LT(Since(plugged), 1400ms);

    // Connected: no more searching until something wakes the watcher.
    int searches = rig.searches.load();
    std::this_thread::sleep_for(1300ms);
    EXPECT_EQ(rig.searches.load(), searches);
    EXPECT_TRUE(Connected());
}

TEST(DeviceWatcher, PullingTheWatchOutClearsTheFlagAtOnceAndPluggingItBackReconnects) {
    SimHarness sim;
    Rig rig(sim);
    rig.watcher.Start();
    ASSERT_TRUE(WaitUntil(Connected, 2000ms));

    auto pulled = std::chrono::steady_clock::now();
    sim.Server().Unplug();
    ASSERT_TRUE(WaitUntil(Disconnected, 1000ms));
    EXPECT_LT(Since(pulled), 300ms);
    EXPECT_EQ(rig.link->m_bConnected.load(), 0);

    ASSERT_TRUE(sim.Server().Plug());
    auto back = std::chrono::steady_clock::now();
    ASSERT_TRUE(WaitUntil(Connected, 2500ms));
    EXPECT_LT(Since(back), 1400ms);
}

TEST(DeviceWatcher, TheRemovalOfAnotherInterfaceChangesNothing) {
    SimHarness sim;
    Rig rig(sim);
    rig.watcher.Start();
    ASSERT_TRUE(WaitUntil(Connected, 2000ms));
    int searches = rig.searches.load();

    veldrant::app::HandleDeviceChange(*rig.link, rig.event, veldrant::platform::HidNotice::Removal,
                                      "/dev/hidraw-other");
    veldrant::app::HandleDeviceChange(*rig.link, rig.event, veldrant::platform::HidNotice::Arrival,
                                      rig.link->DevicePath());
    std::this_thread::sleep_for(200ms);
    EXPECT_TRUE(Connected());
    EXPECT_EQ(rig.link->m_bConnected.load(), 1);
    EXPECT_EQ(rig.searches.load(), searches);
}

TEST(DeviceWatcher, ARemovalNoticeWhileNotConnectedStillWakesTheWatcher) {
    SimHarness sim;
    Rig rig(sim);
    rig.watcher.Start();
    ASSERT_TRUE(WaitUntil(Connected, 2000ms));
    std::string path = rig.link->DevicePath();
    g_bConnected.store(0);  // as after a removal already handled
    int searches = rig.searches.load();

    veldrant::app::HandleDeviceChange(*rig.link, rig.event, veldrant::platform::HidNotice::Removal,
                                      path);
    // Nothing was closed; the one search it caused finds the link still open.
    ASSERT_TRUE(WaitUntil([&] { return rig.searches.load() > searches; }, 500ms));
    EXPECT_TRUE(WaitUntil(Connected, 500ms));
}

TEST(DeviceWatcher, StopCutsASearchShortAndNothingSearchesAfterIt) {
    SimHarness sim;
    // A watch that takes the identity request and never answers: each search would wait the
    // link's whole three-second time-out.
    sim.GetWatch().SetFault({veldrant::sim::Fault::NoAnswer, veldrant::CMD_IDENTITY});
    Rig rig(sim, 3000ms);
    rig.watcher.Start();
    ASSERT_TRUE(WaitUntil([&] { return rig.searches.load() == 1; }, 1000ms));
    std::this_thread::sleep_for(100ms);  // well inside the search

    auto stop = std::chrono::steady_clock::now();
    rig.watcher.Stop([&] { rig.link->Close(); });
    EXPECT_LT(Since(stop), 1000ms);
    EXPECT_FALSE(rig.watcher.Running());

    int searches = rig.searches.load();
    std::this_thread::sleep_for(1200ms);
    EXPECT_EQ(rig.searches.load(), searches);
}
