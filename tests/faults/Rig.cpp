#include "tests/faults/Rig.h"

#include <gtest/gtest.h>

#include <thread>

namespace veldrant::faults {

namespace {
sim::WatchOptions Options() {
    sim::WatchOptions o;
    o.reportLength = kReportLength;
    return o;
}
}  // namespace

Rig::Rig(std::chrono::milliseconds timeout)
    : timeout_(timeout),
      sim_(Options()),
      wire_(std::make_shared<TamperingTransport>(sim_.Transport())) {
    link_ = std::make_unique<CDeviceLink>(
        std::vector<std::shared_ptr<platform::IHidTransport>>{wire_}, timeout_);
    link_->SetDiagnosticStream(nullptr);
    Connect();
}

Rig::~Rig() {
    wire_->Lift();
    link_->Close();
}

void Rig::Connect() {
    ASSERT_EQ(link_->Discover(), 1) << [this] {
        std::string why;
        for (const auto& r : link_->LastDiscovery())
            why += r.path + ": " + r.verdict + "\n";
        return why;
    }();
    ASSERT_EQ(link_->m_dwHIDPacketSize, kPayload);
    wire_->ResetCount();
}

void Rig::PullCable(SeenHost& host) {
    sim_.Server().Unplug();
    host.connected = false;
    link_->Close();
}

void Rig::UnplugAt(uint64_t exchange, SeenHost& host) {
    wire_->SetWriteHook([this, exchange, &host](uint64_t n, const SentRequest&) {
        if (n == exchange)
            PullCable(host);
    });
}

void Rig::UnplugAtProgress(size_t count, SeenHost& host) {
    host.onProgress = [this, count, &host](size_t n) {
        if (n == count)
            PullCable(host);
    };
}

sim::Watch& Rig::AddOtherWatch(uint32_t reportLength) {
    sim::WatchOptions options;
    options.reportLength = reportLength;
    sim::ServerOptions server;
    server.name = "watch2";
    return sim_.AddWatch(options, server).GetWatch();
}

void Rig::SwapWatchAtProgress(size_t count, SeenHost& host) {
    host.onProgress = [this, count](size_t n) {
        if (n != count)
            return;
        sim_.Server().Unplug();
        link_->Close();
        EXPECT_EQ(link_->Discover(), 1) << "the other watch";
    };
}

void Rig::PullsItselfOutAt(uint64_t exchange, SeenHost& host) {
    if (!noticesOn_) {
        noticesOn_ = true;
        link_->RegisterArrivalRemoval([this](platform::HidNotice notice, const std::string& path) {
            if (notice != platform::HidNotice::Removal || link_->IsCurrentDevice(path) != 1)
                return;
            if (SeenHost* h = noticeHost_.load())
                h->connected = false;
            link_->Close();
            removalNoticed_ = true;
        });
    }
    removalNoticed_ = false;
    noticeHost_ = &host;
    sim_.GetWatch().UnplugAfter(static_cast<int>(exchange) - 1);
}

// A notice still on its way would close the link once it is open again.
void Rig::AwaitRemovalNotice() {
    if (!noticeHost_.load())
        return;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!removalNoticed_.load() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(removalNoticed_.load()) << "no removal notice";
    noticeHost_ = nullptr;
}

void Rig::SilenceFrom(uint64_t exchange) {
    sim_.GetWatch().SetFault({sim::Fault::NoAnswer, -1, static_cast<int>(exchange) - 1, -1});
}

void Rig::Restore() {
    wire_->Lift();
    sim_.GetWatch().ClearFault();
    sim_.GetWatch().UnplugAfter(-1);
    AwaitRemovalNotice();
    if (!link_->m_bConnected.load() || !sim_.Server().Plugged()) {
        // Pulled out: the watch may still be finishing its unplug on its own thread; Unplug
        // waits for that, then it is plugged in again and found before any other.
        link_->Close();
        sim_.Server().Unplug();
        std::string error;
        ASSERT_TRUE(sim_.Server().Plug(&error)) << error;
    }
    Connect();
}

std::string Rig::CleanRunAfterFault() {
    Restore();
    SeenHost host;
    Run(host);
    std::string outcome = ExpectSuccess(host.Get());
    // The next fault counts its exchanges from the next run's first.
    wire_->ResetCount();
    return outcome;
}

void ExpectReleased(const Seen& seen, bool ran) {
    EXPECT_EQ(g_bBusy.load(), 0);
    if (ran) {
        EXPECT_EQ(seen.running, (std::vector<bool>{true, false}));
        EXPECT_EQ(seen.busyAtRunning, (std::vector<int>{1, 1}));
    } else {
        EXPECT_TRUE(seen.running.empty());
    }
}

}  // namespace veldrant::faults
