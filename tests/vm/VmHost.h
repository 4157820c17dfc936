// The front end of the operations run in the VM: records what the user would have seen, saves
// the mark file where the test says, and reads the connected flag as the pages do.
#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "devicelink/DeviceLink.h"
#include "marks/MarkImport.h"

namespace veldrant::vmtest {

struct Shown {
    std::string text;
    std::string caption;
    ops::MessageIcon icon = ops::MessageIcon::None;
    bool operator==(const Shown&) const = default;
};

class VmHost : public marks::IMarkImportHost {
public:
    explicit VmHost(std::string outputPath = {}) : outputPath_(std::move(outputPath)) {}

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
    void SetOperationRunning(bool) override {}
    bool IsConnected() override { return g_bConnected.load() == 1; }
    std::optional<std::string> ChooseOutputPath(const std::string&) override { return outputPath_; }

    std::vector<int> Positions() const {
        std::lock_guard lock(mutex_);
        return positions_;
    }
    std::vector<std::string> Texts() const {
        std::lock_guard lock(mutex_);
        return texts_;
    }
    std::vector<Shown> Messages() const {
        std::lock_guard lock(mutex_);
        return messages_;
    }

private:
    std::string outputPath_;
    mutable std::mutex mutex_;
    std::vector<int> positions_;
    std::vector<std::string> texts_;
    std::vector<Shown> messages_;
};

}  // namespace veldrant::vmtest
