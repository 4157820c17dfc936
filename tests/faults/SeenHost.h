// The front end of the fault suite: an operation host for all three operations that records
// what a user would have seen (message boxes with their captions and icons, the progress bar's
// positions and texts) and the locking of the window, and answers the save dialog.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "marks/MarkImport.h"

namespace veldrant::faults {

struct SeenMessage {
    std::string text;
    std::string caption;
    ops::MessageIcon icon = ops::MessageIcon::None;

    bool operator==(const SeenMessage&) const = default;
};

// Everything one run showed.
struct Seen {
    std::vector<SeenMessage> messages;
    std::vector<std::string> texts;
    std::vector<int> positions;
    std::vector<bool> running;         // SetOperationRunning calls in order
    std::vector<int> busyAtRunning;    // g_bBusy at each of them
    std::vector<std::string> offered;  // default names the save dialog was opened with

    // One line for the fault table: the messages, then the bar's last position and text.
    // `path` (a temporary file's name) is shown as <file>.
    std::string Summary(const std::string& path = {}) const;
};

class SeenHost : public marks::IMarkImportHost {
public:
    void SetProgressPos(int percent) override;
    void SetProgressText(const std::string& text) override;
    void ShowMessage(const std::string& text, const std::string& caption,
                     ops::MessageIcon icon) override;
    void SetOperationRunning(bool running) override;
    bool IsConnected() override { return connected.load(); }
    bool StopRequested() override { return stop.load(); }
    std::optional<std::string> ChooseOutputPath(const std::string& defaultName) override;

    Seen Get() const;

    std::atomic<bool> connected{true};
    std::atomic<bool> stop{false};          // the user asked to stop (Ctrl-C in a terminal)
    std::optional<std::string> outputPath;  // what the save dialog returns
    // Runs on the operation's thread after each progress position is recorded, with the
    // number of positions so far. Set it before the operation starts.
    std::function<void(size_t count)> onProgress;

private:
    mutable std::mutex mutex_;
    Seen seen_;
};

}  // namespace veldrant::faults
