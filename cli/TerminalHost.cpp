#include "cli/TerminalHost.h"

#include <unistd.h>

#include <cstdio>

#include "platform/Interrupt.h"

namespace veldrant::cli {

TerminalHost::TerminalHost(std::function<bool()> connected)
    : connected_(std::move(connected)), tty_(isatty(STDERR_FILENO) == 1) {}

TerminalHost::~TerminalHost() {
    Finish();
}

void TerminalHost::SetProgressPos(int percent) {
    std::lock_guard lock(mutex_);
    percent_ = percent < 0 ? 0 : (percent > 100 ? 100 : percent);
    Draw();
}

void TerminalHost::SetProgressText(const std::string& text) {
    std::lock_guard lock(mutex_);
    text_ = text;
    drawnPercent_ = -1;
    Draw();
}

void TerminalHost::Draw() {
    if (!tty_) {
        // Not a terminal: one line per text and per tenth, enough for logs.
        if (!text_.empty()) {
            if (drawnPercent_ == -1)
                std::fprintf(stderr, "%s\n", text_.c_str());
            drawnPercent_ = percent_;
        } else if (drawnPercent_ < 0 || percent_ / 10 != drawnPercent_ / 10 || percent_ == 100) {
            if (percent_ != drawnPercent_)
                std::fprintf(stderr, "%3d%%\n", percent_);
            drawnPercent_ = percent_;
        }
        return;
    }
    constexpr int kWidth = 40;
    int filled = percent_ * kWidth / 100;
    std::string bar(static_cast<size_t>(filled), '#');
    bar.append(static_cast<size_t>(kWidth - filled), '.');
    std::string label = text_.empty() ? std::to_string(percent_) + "%" : text_;
    std::fprintf(stderr, "\r\033[K[%s] %s", bar.c_str(), label.c_str());
    std::fflush(stderr);
    lineOpen_ = true;
    drawnPercent_ = percent_;
}

void TerminalHost::Finish() {
    std::lock_guard lock(mutex_);
    if (lineOpen_) {
        std::fprintf(stderr, "\n");
        lineOpen_ = false;
    }
}

void TerminalHost::ShowMessage(const std::string& text, const std::string& caption,
                               ops::MessageIcon icon) {
    std::lock_guard lock(mutex_);
    if (lineOpen_) {
        std::fprintf(stderr, "\n");
        lineOpen_ = false;
    }
    if (icon == ops::MessageIcon::Error || icon == ops::MessageIcon::Exclamation)
        ++errors_;
    std::string head = caption;
    while (!head.empty() && head.back() == ' ')
        head.pop_back();
    if (head.empty()) {
        std::fprintf(stderr, "%s\n", text.c_str());
    } else {
        std::fprintf(stderr, "%s: %s\n", head.c_str(), text.c_str());
    }
    drawnPercent_ = -1;
}

void TerminalHost::SetOperationRunning(bool) {}

bool TerminalHost::StopRequested() {
    return platform::StopRequested();
}

bool TerminalHost::IsConnected() {
    if (connected_)
        return connected_();
    return g_bConnected.load() != 0;
}

}  // namespace veldrant::cli
