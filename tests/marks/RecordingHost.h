// An operation host for the mark import's tests: the shared recording host (progress, texts,
// messages, busy changes, a connected flag that a test or the simulated watch's removal can
// drop), which also answers the save dialog with a set path and records what it offered.
#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "marks/MarkImport.h"
#include "tests/support/RecordingHost.h"

namespace veldrant::marks::test {

class RecordingHost : public testing::BasicRecordingHost<IMarkImportHost> {
public:
    std::optional<std::string> ChooseOutputPath(const std::string& defaultName) override {
        std::lock_guard lock(mutex_);
        offered_.push_back(defaultName);
        return path;
    }

    std::vector<std::string> Offered() const {
        std::lock_guard lock(mutex_);
        return offered_;
    }
    void Clear() {
        BasicRecordingHost::Clear();
        std::lock_guard lock(mutex_);
        offered_.clear();
    }

    std::optional<std::string> path;

private:
    std::vector<std::string> offered_;
};

}  // namespace veldrant::marks::test
