#include "app/DeviceWatcher.h"

#include <optional>

namespace veldrant::app {

CDeviceWatcher::CDeviceWatcher(CWatchEvent& event, std::function<int()> discover,
                               std::chrono::milliseconds interval)
    : event_(event), discover_(std::move(discover)), interval_(interval) {}

CDeviceWatcher::~CDeviceWatcher() {
    Stop();
}

void CDeviceWatcher::Start() {
    if (thread_.joinable())
        return;
    stop_.store(false);
    thread_ = std::thread([this] { DeviceWatcherThread(); });
    event_.Set();
}

void CDeviceWatcher::Stop(const std::function<void()>& interrupt) {
    if (!thread_.joinable())
        return;
    stop_.store(true);
    event_.Set();
    if (interrupt)
        interrupt();
    thread_.join();
}

void CDeviceWatcher::DeviceWatcherThread() {
    // A signal and a time-out are treated alike: both lead to one search.
    std::optional<std::chrono::milliseconds> limit = interval_;
    for (;;) {
        event_.Wait(limit);
        if (stop_.load())
            break;
        if (discover_() == 1) {
            g_bConnected.store(1);
            // Connected: a signal while the link is still open only confirms it.
            limit = std::nullopt;
        } else {
            g_bConnected.store(0);
            limit = interval_;
        }
    }
}

void HandleDeviceChange(CDeviceLink& link, CWatchEvent& event, platform::HidNotice notice,
                        const std::string& path) {
    if (notice != platform::HidNotice::Removal)
        return;
    if (link.IsCurrentDevice(path) != 1)
        return;
    // The link's own state decides, not g_bConnected: the watcher sets the flag only after
    // Discover has returned, and a removal handled in between would otherwise leave the link
    // open on a watch that is gone (the next Discover would confirm it without looking).
    if (link.m_bConnected.load() == 1)
        link.Close();
    g_bConnected.store(0);
    // The watcher may still be about to publish the search that just ended: woken, it
    // searches again at once and finds the link closed.
    event.Set();
}

}  // namespace veldrant::app
