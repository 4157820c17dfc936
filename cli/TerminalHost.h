// The terminal's side of an operation: a progress bar on stderr (redrawn in place on a terminal,
// one line per change otherwise), messages printed with their caption.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>

#include "ops/OperationHost.h"

namespace veldrant::cli {

class TerminalHost : public ops::IOperationHost {
public:
    // `connected` answers IsConnected; by default the global connected flag.
    explicit TerminalHost(std::function<bool()> connected = nullptr);
    ~TerminalHost() override;

    void SetProgressPos(int percent) override;
    void SetProgressText(const std::string& text) override;
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

    std::function<bool()> connected_;
    std::mutex mutex_;
    int percent_ = 0;
    int drawnPercent_ = -1;
    std::string text_;
    bool tty_ = false;
    bool lineOpen_ = false;
    int errors_ = 0;
};

}  // namespace veldrant::cli
