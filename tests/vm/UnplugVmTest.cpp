// Pulling the watch out in the middle of a transfer, through the kernel: the uhid device is
// destroyed while the link waits for a reply. The removal notice closes the link, the waiting
// exchange fails at once (not after its time-out), the operation ends as its page would end it,
// and a watch plugged in again is found by the device watcher within about a second.
#include <gtest/gtest.h>

#include <filesystem>

#include <fstream>
#include <mutex>
#include <thread>

#include "app/DeviceWatcher.h"
#include "app/WatchEvent.h"
#include "firmware/FirmwareUpdate.h"
#include "marks/MarkImport.h"
#include "ops/OperationHost.h"
#include "tests/firmware/FirmwareImageMaker.h"
#include "tests/support/SimHarness.h"
#include "tests/vm/UhidWatchProcess.h"
#include "tests/vm/VmFixture.h"
#include "tests/vm/VmHost.h"

namespace veldrant::vmtest {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

constexpr milliseconds kFindLimit{5000};
// "At once": well inside the 3000 ms a reply may take, with room for software emulation.
constexpr milliseconds kAtOnce{1000};
// "Within about a second": the watcher's one-second search, plus the search itself.
constexpr milliseconds kRefound{2000};

double MsSince(uint64_t ns) {
    return double(MonotonicNs() - ns) / 1e6;
}

int CreatedCount(const UhidWatchProcess& watch) {
    int n = 0;
    for (const auto& line : watch.Lines())
        n += line.starts_with("created ");
    return n;
}

bool WaitFor(const std::function<bool()>& condition, milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    while (!condition()) {
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(milliseconds(5));
    }
    return true;
}

// The application's pieces around the link: the removal handling on notices and the watcher.
// The link has no lock of its own: the application reads its members on the UI thread, where
// the removal handling runs too. Here look_ stands for that thread: the handling holds it, and
// the test reads the link's members only under it, with the watcher stopped.
class UnplugVmTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveUhid())
            GTEST_SKIP() << "no /dev/uhid here: these tests run in the HID test VM";
        g_bConnected.store(0);
        link_ = HidrawLink();
        link_->RegisterArrivalRemoval([this](platform::HidNotice notice, const std::string& path) {
            const bool ours =
                notice == platform::HidNotice::Removal && link_->IsCurrentDevice(path) == 1;
            if (ours)
                removalNs_.store(MonotonicNs());
            std::lock_guard lock(look_);
            app::HandleDeviceChange(*link_, event_, notice, path);
            if (ours)
                handled_.fetch_add(1);
        });
        watcher_ =
            std::make_unique<app::CDeviceWatcher>(event_, [this] { return link_->Discover(); });
        watcher_->Start();
    }
    void TearDown() override {
        if (watcher_)
            watcher_->Stop([this] { link_->Close(); });
        if (link_)
            link_->Close();
        // The link's notice thread goes with it, before the event it sets.
        link_.reset();
        g_bConnected.store(0);
    }

    // Plugs a new watch in and waits until the watcher has it; the time that took, in ms.
    double PlugAndWait(std::unique_ptr<UhidWatchProcess>& watch, std::vector<std::string> args) {
        const uint64_t start = MonotonicNs();
        watch = std::make_unique<UhidWatchProcess>(std::move(args));
        EXPECT_TRUE(WaitFor([] { return g_bConnected.load() == 1; }, kFindLimit));
        return MsSince(start);
    }

    // After the watch's removal was handled: the link is closed and the flag cleared. The
    // watcher is stopped for the look and started again.
    void ExpectClosedByRemoval() {
        ASSERT_TRUE(WaitFor([this] { return handled_.load() > 0; }, kFindLimit));
        watcher_->Stop();
        std::lock_guard lock(look_);
        EXPECT_EQ(g_bConnected.load(), 0);
        EXPECT_EQ(link_->m_bConnected.load(), 0);
        EXPECT_EQ(link_->m_hDevice, nullptr);
        EXPECT_EQ(link_->m_pInReport, nullptr);
        EXPECT_EQ(link_->m_pOutReport, nullptr);
        watcher_->Start();
    }

    std::unique_ptr<CDeviceLink> link_;
    app::CWatchEvent event_;
    std::unique_ptr<app::CDeviceWatcher> watcher_;
    std::atomic<uint64_t> removalNs_{0};
    std::atomic<int> handled_{0};
    std::mutex look_;
    testing::TempDir dir_;
};

TEST_F(UnplugVmTest, FirmwareUpdateEndsAtOnceAndTheWatchIsFoundAgain) {
    const auto image = firmware::test::ImageOfLength(30 * 512, g_DeviceTable[3].Name());
    const std::string file = dir_.Path() + "/fw.bin";
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));

    // Answered: the identity request, the start request and blocks 0 to 7; block 8 unplugs.
    std::unique_ptr<UhidWatchProcess> watch;
    PlugAndWait(watch, {"--model", "3", "--unplug-after", "10"});
    ASSERT_EQ(g_bConnected.load(), 1);

    VmHost host;
    const auto r = firmware::UpdateFirmware(*link_, host, file);
    const auto endNs = MonotonicNs();
    auto unplugged = watch->WaitForLine("unplugged ", kFindLimit);
    ASSERT_TRUE(unplugged);
    const uint64_t unpluggedNs = std::stoull(unplugged->substr(10));

    const double endedAfter = double(int64_t(endNs - unpluggedNs)) / 1e6;
    std::printf("firmware update ended %.1f ms after the unplug\n", endedAfter);
    EXPECT_LT(endedAfter, double(kAtOnce.count())) << "the waiting exchange fails at once";
    EXPECT_EQ(r.blocksSent, 8u);
    // Block 8 was on its way when the watch went: both its tries fail, and that ends the update
    // without a message ("Device removed!" belongs to a removal seen before a block).
    EXPECT_EQ(r.outcome, firmware::UpdateOutcome::BlockFailed);
    EXPECT_TRUE(host.Messages().empty());
    EXPECT_TRUE(host.Texts().empty()) << "no \"完了しました。\" after a failed update";
    EXPECT_EQ(g_bBusy.load(), 0);

    // The removal notice came and closed the link.
    ExpectClosedByRemoval();
    std::printf("removal notice %.1f ms after the unplug\n",
                double(int64_t(removalNs_.load() - unpluggedNs)) / 1e6);
    watch->Stop();

    // Plugged in again: the watcher finds it within about a second.
    std::unique_ptr<UhidWatchProcess> again;
    const double refound = PlugAndWait(again, {"--model", "3"});
    std::printf("watch found again %.1f ms after it was plugged in\n", refound);
    EXPECT_LT(refound, double(kRefound.count()));
    watcher_->Stop();
    std::lock_guard lock(look_);
    EXPECT_EQ(link_->m_Identity.wRowNumber, 3);
}

TEST_F(UnplugVmTest, MarkImportEndsAtOnceAndTheWatchIsFoundAgain) {
    // The watch goes while the host waits for block 2 of set 0, and comes back 300 ms later.
    std::unique_ptr<UhidWatchProcess> watch;
    PlugAndWait(watch, {"--model", "3", "--marks-remove-during", "0:2", "--replug-after", "300"});
    ASSERT_EQ(g_bConnected.load(), 1);

    const std::string file = dir_.Path() + "/marks.csv";
    VmHost host(file);
    marks::MarkImport import(*link_);
    ASSERT_EQ(import.Start(host), marks::StartOutcome::Ready);
    ASSERT_EQ(import.MarkSetCount(), 2u);
    const auto r = import.Run(host);
    const auto endNs = MonotonicNs();
    auto unplugged = watch->WaitForLine("unplugged ", kFindLimit);
    ASSERT_TRUE(unplugged);
    const uint64_t unpluggedNs = std::stoull(unplugged->substr(10));

    const double endedAfter = double(int64_t(endNs - unpluggedNs)) / 1e6;
    std::printf("mark import ended %.1f ms after the unplug\n", endedAfter);
    EXPECT_LT(endedAfter, double(kAtOnce.count())) << "the waiting exchange fails at once";
    // Set 0 is abandoned: without a message when both tries of its block fail, with
    // "Device removed!" when the removal was seen before the second. Set 1 fails at its request.
    ASSERT_EQ(r.sets.size(), 2u);
    auto messages = host.Messages();
    // The import's closing note tells that no set reached the file, which is not made.
    ASSERT_FALSE(messages.empty());
    EXPECT_NE(messages.back().text.find(file), std::string::npos) << messages.back().text;
    EXPECT_EQ(messages.back().caption, ops::kCaptionError);
    messages.pop_back();
    if (r.sets[0].outcome == marks::SetOutcome::DeviceRemoved) {
        EXPECT_EQ(messages, (std::vector<Shown>{{ops::kTextDeviceRemoved, ops::kCaptionError,
                                                 ops::MessageIcon::Error}}));
    } else {
        EXPECT_EQ(r.sets[0].outcome, marks::SetOutcome::BlockFailed);
        EXPECT_TRUE(messages.empty());
    }
    EXPECT_NE(r.sets[1].outcome, marks::SetOutcome::Written);
    EXPECT_EQ(r.outcome, marks::RunOutcome::NothingWritten);
    EXPECT_FALSE(std::filesystem::exists(file));
    ASSERT_FALSE(host.Texts().empty());
    EXPECT_EQ(host.Texts().back(), marks::kTextSomeMarksLost);
    EXPECT_EQ(g_bBusy.load(), 0);

    ExpectClosedByRemoval();

    // The same watch plugs itself in again; the watcher has it within about a second.
    ASSERT_TRUE(WaitFor([&] { return CreatedCount(*watch) == 2; }, kFindLimit));
    const uint64_t replugNs = MonotonicNs();
    ASSERT_TRUE(WaitFor([] { return g_bConnected.load() == 1; }, kFindLimit));
    const double refound = MsSince(replugNs);
    std::printf("watch found again %.1f ms after it came back\n", refound);
    EXPECT_LT(refound, double(kRefound.count()));
}

}  // namespace
}  // namespace veldrant::vmtest
