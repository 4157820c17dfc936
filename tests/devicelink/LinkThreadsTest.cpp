// Close from another thread while an exchange waits, time-outs, and late replies.
#include <atomic>
#include <chrono>
#include <thread>

#include "tests/devicelink/LinkFixture.h"

namespace veldrant::testing {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

void WaitUntil(const std::function<bool()>& done) {
    auto until = Clock::now() + std::chrono::seconds(10);
    while (!done() && Clock::now() < until)
        std::this_thread::sleep_for(milliseconds(1));
}

TEST(LinkThreads, CloseDuringAWaitEndsTheExchangeAtOnce) {
    // The device never answers, and the time-out is far away.
    OpenLink o(nullptr, 525, std::chrono::seconds(20));
    std::atomic<int> result{-1};
    std::atomic<long> tookMs{0};
    std::thread worker([&] {
        std::vector<uint8_t> dest(512);
        o.link->m_nCommand = 11;
        auto start = Clock::now();
        result = o.link->RequestBlock(dest.data(), 0);
        tookMs = long(std::chrono::duration_cast<milliseconds>(Clock::now() - start).count());
    });
    WaitUntil([&] { return o.device->Waiting() == 1; });
    o.link->Close();
    worker.join();
    EXPECT_EQ(result.load(), 0);
    EXPECT_LT(tookMs.load(), 5000) << "failed through Close, not through the 20 s time-out";
    EXPECT_EQ(o.link->m_pInReport, nullptr);
}

TEST(LinkThreads, RemovalNoticeClosesTheLinkUnderAWorker) {
    OpenLink o(nullptr, 525, std::chrono::seconds(20));
    o.link->RegisterArrivalRemoval([&](platform::HidNotice n, const std::string& path) {
        if (n == platform::HidNotice::Removal && o.link->IsCurrentDevice(path))
            o.link->Close();
    });
    std::atomic<int> result{-1};
    std::thread worker([&] { result = o.link->SendCommand(CMD_MARK_COUNT, 0, 0u); });
    WaitUntil([&] { return o.device->Waiting() == 1; });
    o.fake->Remove(kFakePath);
    worker.join();
    EXPECT_EQ(result.load(), 0);
    EXPECT_EQ(o.link->m_bConnected.load(), 0);
}

// Requests, Close and Discover race for a while; the sanitizers judge the memory and the data.
TEST(LinkThreads, RequestsRacingCloseAndDiscoverStaySound) {
    auto watch = std::make_shared<sim::Watch>(sim::WatchOptions{.model = 3});
    auto fake = std::make_shared<FakeTransport>();
    fake->Add({.path = "/w", .ids = IdsOfRow(3), .responder = WatchResponder(watch)});
    CDeviceLink link({fake}, milliseconds(50));
    link.SetDiagnosticStream(nullptr);
    ASSERT_EQ(link.Discover(), 1);
    std::atomic<bool> stop{false};
    std::atomic<int> ok{0};
    std::thread worker([&] {
        std::vector<uint8_t> dest(512);
        while (!stop) {
            if (link.SendCommand(CMD_FW_VERSION, 0) && link.ReplyWord() == 0)
                ++ok;
            uint32_t args[5] = {};
            link.SendArgs(CMD_IDENTITY, args);
            link.RequestBlock(dest.data(), 0);
        }
    });
    for (int i = 0; i < 200; ++i) {
        link.Close();
        link.Discover();
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    stop = true;
    worker.join();
    EXPECT_GT(ok.load(), 0);
}

TEST(LinkThreads, ASilentWatchFailsAfterTheReadTimeOut) {
    OpenLink o(nullptr, 525, milliseconds(150));
    auto start = Clock::now();
    EXPECT_EQ(o.link->SendCommand(CMD_MARK_COUNT, 0, 0u), 0);
    EXPECT_GE(Clock::now() - start, milliseconds(150));
    EXPECT_EQ(o.link->m_bConnected.load(), 1) << "a failed request leaves the link open";
}

TEST(LinkThreads, AWriteThatTimesOutFailsWithoutReading) {
    OpenLink o(nullptr);
    auto fake = std::make_shared<FakeTransport>();
    fake->Add({.path = "/w",
               .ids = IdsOfRow(0),
               .writeResult = platform::IoResult::Timeout,
               .responder = Answer([](const Report& out) { return EchoReply(out); })});
    CDeviceLink link({fake}, milliseconds(100));
    link.SetDiagnosticStream(nullptr);
    ASSERT_EQ(link.Discover(), 1);
    fake->Device("/w")->Inject(BuildFrame(525, 1, 10, 0, 0));
    EXPECT_EQ(link.SendCommand(CMD_MARK_COUNT, 0, 0u), 0);
}

TEST(LinkThreads, ALateReplyIsNeverTakenForTheNextRequest) {
    OpenLink o(nullptr, 525, milliseconds(100));
    o.link->m_nCommand = 11;
    std::vector<uint8_t> dest(512);
    ASSERT_EQ(o.link->RequestBlock(dest.data(), 1), 0);  // times out
    // Its reply turns up late, then the device answers the next request properly.
    o.device->Inject(BuildFrame(525, 1, 11, 0, 1, {0x11}));
    o.device->Inject(BuildFrame(525, 1, 11, 0, 1, {0x11}));
    auto* device = o.device.get();
    std::thread answer([device] {
        WaitUntil([device] { return device->Written().size() == 2; });
        device->Inject(BuildFrame(525, 1, 11, 0, 2, {0x22}));
    });
    EXPECT_EQ(o.link->RequestBlock(dest.data(), 2), 1);
    answer.join();
    EXPECT_EQ(dest[0], 0x22);
}

}  // namespace
}  // namespace veldrant::testing
