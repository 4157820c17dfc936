// The terminal's side of an operation. Progress goes to stderr: on a terminal one bar per phase
// of the job, labelled ("mark set 2 of 3", "golf course 17 of 40") and redrawn in place, never
// wider than the terminal; otherwise a few labelled lines per phase (its start and each quarter).
// Messages are printed with their caption.
#pragma once

#include <cstdio>
#include <functional>
#include <mutex>
#include <string>

#include "ops/OperationHost.h"

namespace veldrant::cli {

// Where the progress goes and what it is.
struct ProgressOutput {
    FILE* stream = stderr;
    bool terminal = false;
    int columns = 80;
    // stderr, with what the platform tells of it.
    static ProgressOutput Stderr();
};

class TerminalHost : public ops::IOperationHost {
public:
    // `connected` answers IsConnected; by default the global connected flag.
    explicit TerminalHost(std::function<bool()> connected = nullptr,
                          ProgressOutput output = ProgressOutput::Stderr());
    ~TerminalHost() override;

    void SetProgressPos(int percent) override;
    void SetProgressText(const std::string& text) override;
    void SetProgressLabel(const std::string& label) override;
    void ShowMessage(const std::string& text, const std::string& caption,
                     ops::MessageIcon icon) override;
    void SetOperationRunning(bool running) override;
    bool IsConnected() override;
    // Ctrl-C or SIGTERM while an interrupt catcher is alive (platform/Interrupt.h).
    bool StopRequested() override;

    // Ends the progress line so that later output starts on a fresh line.
    void Finish();
    int LastPercent() const { return percent_; }
    const std::string& LastText() const { return text_; }
    // Number of messages shown with the error or exclamation icon.
    int ErrorCount() const { return errors_; }

private:
    void Draw();
    void EndLine();
    std::string Label() const;

    std::function<bool()> connected_;
    ProgressOutput out_;
    std::mutex mutex_;
    int percent_ = 0;
    int drawnPercent_ = -1;
    int quarter_ = -1;  // the last quarter written when not a terminal
    std::string label_;
    std::string drawnLabel_;
    std::string text_;
    bool lineOpen_ = false;
    int errors_ = 0;
};

}  // namespace veldrant::cli
