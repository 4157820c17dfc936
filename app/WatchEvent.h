// An auto-reset event: Set wakes one waiter (or the next one to wait), and the wait consumes it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

namespace veldrant::app {

class CWatchEvent {
public:
    void Set();
    // Waits until the event is set or `limit` has passed (no limit: nullopt). True when it was
    // set; the event is then reset.
    bool Wait(std::optional<std::chrono::milliseconds> limit);

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool signalled_ = false;
};

// Wakes the device watcher: set once at start-up for the first search and by the removal
// handling. It lives as long as the process.
extern CWatchEvent g_hWatchEvent;

}  // namespace veldrant::app
