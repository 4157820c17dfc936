// An operation host that records what an operation showed: every progress position and text,
// every message box, and the busy-state changes. Tests can hook progress changes (to unplug the
// watch part way) and say whether the watch counts as connected.
//
// BasicRecordingHost implements the operation host methods on top of any host interface, so
// that an operation with a wider host (the mark import's save dialog) records the same way and
// adds only its own methods.
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

template <class Host>
class BasicRecordingHost : public Host {
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
    // How many message boxes showed exactly `text`.
    int CountMessages(const std::string& text) const {
        int n = 0;
        for (const ShownMessage& m : Messages())
            n += m.text == text;
        return n;
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

protected:
    // Guards what this class records and what a derived host records beside it.
    mutable std::mutex mutex_;

private:
    std::vector<int> positions_;
    std::vector<std::string> texts_;
    std::vector<ShownMessage> messages_;
    std::vector<bool> running_;
    std::vector<int> busyWhileRunning_;
};

using RecordingHost = BasicRecordingHost<ops::IOperationHost>;

}  // namespace veldrant::testing
