// An operation host that records what an operation showed: every progress position and text,
// every message box, and the busy-state changes. Tests can hook progress changes (to unplug the
// watch part way) and say whether the watch counts as connected.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "ops/OperationHost.h"

namespace veldrant::testing {

struct ShownMessage {
    std::string text;
    std::string caption;
    ops::MessageIcon icon = ops::MessageIcon::None;
};

class RecordingHost : public ops::IOperationHost {
public:
    void SetProgressPos(int percent) override {
        std::function<void(int)> hook;
        {
            std::lock_guard lock(mutex_);
            positions_.push_back(percent);
            hook = onProgress;
        }
        if (hook)
            hook(percent);
    }
    void SetProgressText(const std::string& text) override {
        std::lock_guard lock(mutex_);
        texts_.push_back(text);
    }
    void ShowMessage(const std::string& text, const std::string& caption,
                     ops::MessageIcon icon) override {
        std::lock_guard lock(mutex_);
        messages_.push_back({text, caption, icon});
    }
    void SetOperationRunning(bool running) override {
        std::lock_guard lock(mutex_);
        running_.push_back(running);
        busyWhileRunning_.push_back(g_bBusy.load());
    }
    bool IsConnected() override { return connected.load(); }

    std::vector<int> Positions() const {
        std::lock_guard lock(mutex_);
        return positions_;
    }
    std::vector<std::string> Texts() const {
        std::lock_guard lock(mutex_);
        return texts_;
    }
    std::vector<ShownMessage> Messages() const {
        std::lock_guard lock(mutex_);
        return messages_;
    }
    // SetOperationRunning calls in order: {true, false} for one operation that ran.
    std::vector<bool> Running() const {
        std::lock_guard lock(mutex_);
        return running_;
    }
    // g_bBusy as it was at each SetOperationRunning call.
    std::vector<int> BusyAtRunning() const {
        std::lock_guard lock(mutex_);
        return busyWhileRunning_;
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        positions_.clear();
        texts_.clear();
        messages_.clear();
        running_.clear();
        busyWhileRunning_.clear();
    }

    std::atomic<bool> connected{true};
    // Runs after each progress position is recorded, on the operation's thread. Set it
    // before the operation starts.
    std::function<void(int)> onProgress;

private:
    mutable std::mutex mutex_;
    std::vector<int> positions_;
    std::vector<std::string> texts_;
    std::vector<ShownMessage> messages_;
    std::vector<bool> running_;
    std::vector<int> busyWhileRunning_;
};

}  // namespace veldrant::testing
