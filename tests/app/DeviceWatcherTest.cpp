// The watcher against a simulated watch on real sockets: that the connected flag follows the
// watch, that a removal always closes the link, and that teardown leaves nothing touching it.
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

// No periodic search within a test: only the first search and the wake-ups search.
constexpr std::chrono::milliseconds kNever{std::chrono::hours(1)};
// Generous limits for what other threads do: reached only when something is wrong.
constexpr std::chrono::milliseconds kLong{10000};

// A watcher over a link to the harness's watch, with the link's removal notices handled the
// way the main window handles them (here straight on the transport's thread).
struct Rig {
    explicit Rig(SimHarness& sim, std::chrono::milliseconds interval,
                 std::chrono::milliseconds timeout = 300ms)
        : link(sim.MakeLink(timeout)),
          watcher(
              event,
              [this] {
                  ++searches;
                  return link->Discover();
              },
              interval) {
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
    // With an hour between searches, only the search at start can find it.
    Rig rig(sim, kNever);
    rig.watcher.Start();
    ASSERT_TRUE(WaitUntil(Connected, kLong));
    EXPECT_EQ(rig.searches.load(), 1);
}

TEST(DeviceWatcher, SearchesEveryIntervalUntilTheWatchIsPluggedInThenSleeps) {
    SimHarness sim({}, /*plugged=*/false);
    constexpr auto kInterval = 20ms;
    Rig rig(sim, kInterval);
    auto start = std::chrono::steady_clock::now();
    rig.watcher.Start();
    ASSERT_TRUE(WaitUntil([&] { return rig.searches.load() >= 4; }, kLong));
    // The first search at once, then one an interval: never sooner.
    EXPECT_GE(Since(start), 3 * kInterval);
    EXPECT_TRUE(Disconnected());

    ASSERT_TRUE(sim.Server().Plug());
    ASSERT_TRUE(WaitUntil(Connected, kLong));

    // Connected: no more searching until something wakes the watcher (fifteen intervals).
    int searches = rig.searches.load();
    std::this_thread::sleep_for(15 * kInterval);
    EXPECT_EQ(rig.searches.load(), searches);
    EXPECT_TRUE(Connected());
}

TEST(DeviceWatcher, PullingTheWatchOutClearsTheFlagAndPluggingItBackReconnects) {
    SimHarness sim;
    Rig rig(sim, 20ms);
    rig.watcher.Start();
    ASSERT_TRUE(WaitUntil(Connected, kLong));

    sim.Server().Unplug();
    ASSERT_TRUE(WaitUntil(Disconnected, kLong));
    EXPECT_EQ(rig.link->m_bConnected.load(), 0);

    ASSERT_TRUE(sim.Server().Plug());
    ASSERT_TRUE(WaitUntil(Connected, kLong));
}

TEST(DeviceWatcher, TheRemovalOfAnotherInterfaceChangesNothing) {
    SimHarness sim;
    Rig rig(sim, kNever);
    rig.watcher.Start();
    ASSERT_TRUE(WaitUntil(Connected, kLong));
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

TEST(DeviceWatcher, ARemovalNoticeForAClosedLinkStillWakesTheWatcher) {
    SimHarness sim;
    Rig rig(sim, kNever);
    rig.watcher.Start();
    ASSERT_TRUE(WaitUntil(Connected, kLong));
    std::string path = rig.link->DevicePath();
    rig.link->Close();  // as after a removal already handled
    g_bConnected.store(0);
    int searches = rig.searches.load();

    veldrant::app::HandleDeviceChange(*rig.link, rig.event, veldrant::platform::HidNotice::Removal,
                                      path);
    // The one search it caused finds the watch, still plugged in, again.
    ASSERT_TRUE(WaitUntil([&] { return rig.searches.load() > searches; }, kLong));
    EXPECT_TRUE(WaitUntil(Connected, kLong));
}

TEST(DeviceWatcher, ARemovalHandledBeforeTheWatcherPublishesItsSearchLeavesNothingConnected) {
    SimHarness sim;
    CWatchEvent event;
    auto link = sim.MakeLink(300ms);
    g_bConnected.store(0);
    std::atomic<int> searches{0};
    std::atomic<int> lastFound{-1};
    // The gap forced: the watch is pulled out, and its removal handled, after Discover has
    // returned and before the watcher has set g_bConnected from it.
    CDeviceWatcher watcher(
        event,
        [&] {
            int found = link->Discover();
            if (++searches == 1 && found == 1) {
                std::string path = link->DevicePath();
                sim.Server().Unplug();
                veldrant::app::HandleDeviceChange(*link, event,
                                                  veldrant::platform::HidNotice::Removal, path);
            }
            lastFound = found;
            return found;
        },
        kNever);
    watcher.Start();
    // The second search publishes last; the first one's 1 came before it.
    ASSERT_TRUE(WaitUntil([&] { return searches.load() >= 2 && Disconnected(); }, kLong))
        << "searches " << searches.load() << ", last found " << lastFound.load();
    EXPECT_EQ(lastFound.load(), 0);
    EXPECT_EQ(link->m_bConnected.load(), 0);
    watcher.Stop([&] { link->Close(); });
    EXPECT_EQ(searches.load(), 2);
    EXPECT_TRUE(Disconnected());
}

TEST(DeviceWatcher, StopCutsASearchShortAndNothingSearchesAfterIt) {
    SimHarness sim;
    // A watch that takes the identity request and never answers, and a link that would wait
    // an hour for it: Stop returns only because it cuts the search short.
    sim.GetWatch().SetFault({veldrant::sim::Fault::NoAnswer, veldrant::CMD_IDENTITY});
    Rig rig(sim, 20ms, std::chrono::hours(1));
    rig.watcher.Start();
    ASSERT_TRUE(WaitUntil(
        [&] { return sim.GetWatch().Stats().perCode[veldrant::CMD_IDENTITY] >= 1; }, kLong));

    rig.watcher.Stop([&] { rig.link->Close(); });
    EXPECT_FALSE(rig.watcher.Running());

    int searches = rig.searches.load();
    std::this_thread::sleep_for(300ms);  // fifteen intervals
    EXPECT_EQ(rig.searches.load(), searches);
}
