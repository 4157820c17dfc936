#include "cli/TerminalHost.h"

#include "platform/Interrupt.h"
#include "platform/Terminal.h"

namespace veldrant::cli {

namespace {

// Terminal columns a UTF-8 text takes: the CJK ranges count two.
size_t Columns(const std::string& s) {
    size_t cols = 0;
    for (size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        const size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        cols += n >= 3 ? 2 : 1;
        i += n;
    }
    return cols;
}

// The first characters of `s` that fit `width` columns.
std::string Fit(const std::string& s, size_t width) {
    std::string out;
    size_t cols = 0;
    for (size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        const size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        const size_t w = n >= 3 ? 2 : 1;
        if (cols + w > width)
            break;
        out.append(s, i, n);
        cols += w;
        i += n;
    }
    return out;
}

}  // namespace

ProgressOutput ProgressOutput::Stderr() {
    return {stderr, platform::StderrIsTerminal(), platform::StderrColumns()};
}

TerminalHost::TerminalHost(std::function<bool()> connected, ProgressOutput output)
    : connected_(std::move(connected)), out_(output) {}

TerminalHost::~TerminalHost() {
    Finish();
}

void TerminalHost::SetProgressPos(int percent) {
    std::lock_guard lock(mutex_);
    percent = percent < 0 ? 0 : (percent > 100 ? 100 : percent);
    // A bar that starts again from below is a new phase: the finished one keeps its line.
    if (percent < percent_ && lineOpen_)
        EndLine();
    if (percent < percent_)
        quarter_ = -1;
    percent_ = percent;
    Draw();
}

void TerminalHost::SetProgressText(const std::string& text) {
    std::lock_guard lock(mutex_);
    text_ = text;
    if (text.empty())
        return;  // the percentage again: nothing to say
    EndLine();
    std::fprintf(out_.stream, "%s\n", text.c_str());
    std::fflush(out_.stream);
}

void TerminalHost::SetProgressLabel(const std::string& label) {
    std::lock_guard lock(mutex_);
    if (label == label_)
        return;
    label_ = label;
    if (!out_.terminal)
        quarter_ = -1;  // a new phase gets its own first line
}

std::string TerminalHost::Label() const {
    return label_.empty() ? "progress" : label_;
}

void TerminalHost::Draw() {
    if (!out_.terminal) {
        // A few lines per phase: its start and each quarter reached.
        if (label_.empty())
            return;
        const int quarter = percent_ / 25;
        if (quarter == quarter_)
            return;
        quarter_ = quarter;
        std::fprintf(out_.stream, "%s: %d%%\n", Label().c_str(), percent_);
        std::fflush(out_.stream);
        return;
    }
    if (percent_ == drawnPercent_ && label_ == drawnLabel_ && lineOpen_)
        return;
    // "LABEL [#####.....] 42%", cut to one column less than the terminal so that the cursor
    // never wraps; the bar gives way first, then the label.
    const size_t width = static_cast<size_t>(out_.columns > 12 ? out_.columns - 1 : 11);
    const std::string tail = " " + std::to_string(percent_) + "%";
    std::string label = Label();
    size_t bar = 40;
    const size_t fixed = tail.size() + 3;  // " [" and "]"
    if (Columns(label) + fixed + bar > width)
        bar = width > Columns(label) + fixed + 10 ? width - Columns(label) - fixed : 10;
    if (Columns(label) + fixed + bar > width)
        label = Fit(label, width > fixed + bar ? width - fixed - bar : 0);
    const size_t filled = static_cast<size_t>(percent_) * bar / 100;
    std::string line =
        label + " [" + std::string(filled, '#') + std::string(bar - filled, '.') + "]" + tail;
    std::fprintf(out_.stream, "\r\033[K%s", line.c_str());
    std::fflush(out_.stream);
    lineOpen_ = true;
    drawnPercent_ = percent_;
    drawnLabel_ = label_;
}

void TerminalHost::EndLine() {
    if (lineOpen_) {
        std::fprintf(out_.stream, "\n");
        lineOpen_ = false;
    }
    drawnPercent_ = -1;
}

void TerminalHost::Finish() {
    std::lock_guard lock(mutex_);
    EndLine();
    std::fflush(out_.stream);
}

void TerminalHost::ShowMessage(const std::string& text, const std::string& caption,
                               ops::MessageIcon icon) {
    std::lock_guard lock(mutex_);
    EndLine();
    if (icon == ops::MessageIcon::Error || icon == ops::MessageIcon::Exclamation)
        ++errors_;
    std::string head = caption;
    while (!head.empty() && head.back() == ' ')
        head.pop_back();
    if (head.empty()) {
        std::fprintf(out_.stream, "%s\n", text.c_str());
    } else {
        std::fprintf(out_.stream, "%s: %s\n", head.c_str(), text.c_str());
    }
    std::fflush(out_.stream);
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
