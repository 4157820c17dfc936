// One request sequence on the device link at a time. The link itself has no lock; the pages'
// operations, the mark page's questions before its save dialog and the firmware page's version
// query each hold the gate while they talk to the watch.
#pragma once

#include <mutex>

namespace veldrant::app {

class CLinkGate {
public:
    // Waits for the link (worker threads only: another sequence may take seconds).
    std::unique_lock<std::mutex> Acquire() { return std::unique_lock<std::mutex>(mutex_); }
    // Takes the link only if nobody holds it; check owns_lock().
    std::unique_lock<std::mutex> TryAcquire() {
        return std::unique_lock<std::mutex>(mutex_, std::try_to_lock);
    }

private:
    std::mutex mutex_;
};

}  // namespace veldrant::app
