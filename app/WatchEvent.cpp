#include "app/WatchEvent.h"

namespace veldrant::app {

CWatchEvent g_hWatchEvent;

void CWatchEvent::Set() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        signalled_ = true;
    }
    cv_.notify_one();
}

bool CWatchEvent::Wait(std::optional<std::chrono::milliseconds> limit) {
    std::unique_lock<std::mutex> lock(mutex_);
    auto isSet = [this] { return signalled_; };
    if (limit) {
        if (!cv_.wait_for(lock, *limit, isSet))
            return false;
    } else {
        cv_.wait(lock, isSet);
    }
    signalled_ = false;
    return true;
}

}  // namespace veldrant::app
