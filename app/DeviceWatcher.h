// The device watcher: a thread that searches for the watch once a second while none is
// connected, and sleeps while one is, until the removal handling wakes it. It publishes the
// outcome in g_bConnected.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "app/WatchEvent.h"
#include "devicelink/DeviceLink.h"
#include "platform/HidTransport.h"

namespace veldrant::app {

inline constexpr std::chrono::milliseconds kSearchInterval{1000};

class CDeviceWatcher {
public:
    // `discover` opens and confirms the watch (the link's Discover): 1 when connected.
    CDeviceWatcher(CWatchEvent& event, std::function<int()> discover,
                   std::chrono::milliseconds interval = kSearchInterval);
    ~CDeviceWatcher();  // stops the thread
    CDeviceWatcher(const CDeviceWatcher&) = delete;
    CDeviceWatcher& operator=(const CDeviceWatcher&) = delete;

    // Starts the thread and sets the event once, so that a watch already plugged in is found
    // at once rather than after the first interval.
    void Start();
    // Asks the thread to end and waits for it. `interrupt` runs between the request and the
    // wait to cut a search in progress short (the link's Close), so that the wait is brief.
    // After Stop the watcher no longer touches the link.
    void Stop(const std::function<void()>& interrupt = nullptr);
    bool Running() const { return thread_.joinable(); }

private:
    void DeviceWatcherThread();

    CWatchEvent& event_;
    std::function<int()> discover_;
    std::chrono::milliseconds interval_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// What the main window does with an arrival or removal notice (on the UI thread): the removal
// of the watch's own interface closes the link at once, clears g_bConnected and wakes the
// watcher; every other notice changes nothing (arrivals are found by the search).
void HandleDeviceChange(CDeviceLink& link, CWatchEvent& event, platform::HidNotice notice,
                        const std::string& path);

}  // namespace veldrant::app
