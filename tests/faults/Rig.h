// One simulated watch on the simulated transport, with the tampering wire between it and a real
// device link, and the removal handling of the desktop: the base of the three operations' rigs.
//
// The watch presents a 141-byte report (P = 128): the smallest size the link takes, so that an
// operation needs many exchanges and every tenth of them can be tried as the moment of an unplug.
#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

#include "devicelink/DeviceLink.h"
#include "sim/Watch.h"
#include "tests/faults/SeenHost.h"
#include "tests/faults/TamperingTransport.h"
#include "tests/support/SimHarness.h"

namespace veldrant::faults {

inline constexpr uint32_t kReportLength = 141;
inline constexpr uint32_t kPayload = 128;
// Long enough never to expire while the watch answers, on a loaded machine too.
inline constexpr std::chrono::milliseconds kAnsweringTimeout{1000};
// For the cases where the watch stops answering: each unanswered exchange costs this much.
inline constexpr std::chrono::milliseconds kSilentTimeout{60};

class Rig {
public:
    explicit Rig(std::chrono::milliseconds timeout = kAnsweringTimeout);
    virtual ~Rig();
    Rig(const Rig&) = delete;
    Rig& operator=(const Rig&) = delete;

    sim::Watch& GetWatch() { return sim_.GetWatch(); }
    TamperingTransport& Wire() { return *wire_; }
    CDeviceLink& Link() { return *link_; }
    const std::string& Directory() const { return sim_.Directory(); }

    // The cable is pulled just as request `exchange` goes out (the watch never sees it), and the
    // removal notice is handled at once, as the desktop does it: the page's connected flag
    // drops and the link is closed.
    void UnplugAt(uint64_t exchange, SeenHost& host);
    // The removal is noticed between two steps of the operation: just after the bar's
    // `count`th position, before the operation's next request.
    void UnplugAtProgress(size_t count, SeenHost& host);
    // The watch pulls itself out as request `exchange` reaches it, and the removal reaches the
    // link the desktop's way: as the transport's notice, on the notice thread, which closes the
    // link and drops the page's connected flag whenever it comes.
    void PullsItselfOutAt(uint64_t exchange, SeenHost& host);
    // A second watch, with another report length, plugged in beside the first (listed after
    // it, so discovery takes it only while the first is gone).
    sim::Watch& AddOtherWatch(uint32_t reportLength);
    // Just after the bar's `count`th position the first watch is pulled out and the link finds
    // the other one at once, all before the page's connected flag could show the gap (the
    // watcher searches as soon as a removal wakes it; the page looks once a second).
    void SwapWatchAtProgress(size_t count, SeenHost& host);
    // From request `exchange` on the watch takes requests but never answers.
    void SilenceFrom(uint64_t exchange);
    // Lifts every fault, plugs the watch back in if it was pulled and opens the link again;
    // the exchange count starts from 1.
    void Restore();

    // One press of the operation's button, run to its end.
    virtual void Run(SeenHost& host) = 0;
    // A run without faults: the operation's success as the user sees it and the right bytes
    // where they belong. Returns the text for the table's last column.
    virtual std::string ExpectSuccess(const Seen& seen) = 0;

    // Restore, then a run with a fresh host that must succeed; the exchange count then starts
    // from 1 again.
    std::string CleanRunAfterFault();

protected:
    // Opens the link on the watch; the exchange count starts from 1.
    void Connect();

private:
    void PullCable(SeenHost& host);

    void AwaitRemovalNotice();

    std::chrono::milliseconds timeout_;
    testing::SimHarness sim_;
    std::shared_ptr<TamperingTransport> wire_;
    // The host whose flag the removal notice drops, and whether it has come.
    std::atomic<SeenHost*> noticeHost_{nullptr};
    std::atomic<bool> removalNoticed_{false};
    bool noticesOn_ = false;
    std::unique_ptr<CDeviceLink> link_;
};

// Every road out of an operation gives the window back.
void ExpectReleased(const Seen& seen, bool ran);

}  // namespace veldrant::faults
