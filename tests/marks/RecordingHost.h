// An operation host for the mark import's tests: records every progress position, text, message
// and busy change, answers the save dialog with a set path, and keeps a connected flag that a
// test (or the simulated watch's removal) can drop.
#pragma once

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "marks/MarkImport.h"

namespace veldrant::marks::test {

struct Message {
    std::string text;
    std::string caption;
    ops::MessageIcon icon;
};

class RecordingHost : public IMarkImportHost {
public:
    void SetProgressPos(int percent) override {
        std::lock_guard lock(mutex_);
        positions_.push_back(percent);
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
        busy_.push_back(g_bBusy.load());
    }
    bool IsConnected() override { return connected.load(); }
    std::optional<std::string> ChooseOutputPath(const std::string& defaultName) override {
        std::lock_guard lock(mutex_);
        offered_.push_back(defaultName);
        return path;
    }

    std::vector<int> Positions() const {
        std::lock_guard lock(mutex_);
        return positions_;
    }
    std::vector<std::string> Texts() const {
        std::lock_guard lock(mutex_);
        return texts_;
    }
    std::vector<Message> Messages() const {
        std::lock_guard lock(mutex_);
        return messages_;
    }
    std::vector<bool> Running() const {
        std::lock_guard lock(mutex_);
        return running_;
    }
    // g_bBusy as each SetOperationRunning call found it.
    std::vector<int> BusyFlags() const {
        std::lock_guard lock(mutex_);
        return busy_;
    }
    std::vector<std::string> Offered() const {
        std::lock_guard lock(mutex_);
        return offered_;
    }
    int CountMessages(const std::string& text) const {
        int n = 0;
        for (const Message& m : Messages())
            n += m.text == text;
        return n;
    }
    void Reset() {
        std::lock_guard lock(mutex_);
        positions_.clear();
        texts_.clear();
        messages_.clear();
        running_.clear();
        busy_.clear();
        offered_.clear();
    }

    std::atomic<bool> connected{true};
    std::optional<std::string> path;

private:
    mutable std::mutex mutex_;
    std::vector<int> positions_;
    std::vector<std::string> texts_;
    std::vector<Message> messages_;
    std::vector<bool> running_;
    std::vector<std::string> offered_;
    std::vector<int> busy_;
};

}  // namespace veldrant::marks::test
