#include "tests/faults/SeenHost.h"

namespace veldrant::faults {

std::string Seen::Summary(const std::string& path) const {
    std::string s;
    for (const SeenMessage& m : messages) {
        if (!s.empty())
            s += "; ";
        std::string text = m.text;
        if (size_t at = path.empty() ? std::string::npos : text.find(path);
            at != std::string::npos) {
            text.replace(at, path.size(), "<file>");
        }
        s += "\"" + text + "\" (" + (m.caption == " " ? "caption \" \"" : m.caption) + ")";
    }
    if (s.empty())
        s = "no message";
    s += positions.empty() ? "; bar untouched" : "; bar " + std::to_string(positions.back());
    for (const std::string& t : texts) {
        if (!t.empty())
            s += ", text \"" + t + "\"";
    }
    return s;
}

void SeenHost::SetProgressPos(int percent) {
    size_t count = 0;
    {
        std::lock_guard lock(mutex_);
        seen_.positions.push_back(percent);
        count = seen_.positions.size();
    }
    if (onProgress)
        onProgress(count);
}

void SeenHost::SetProgressText(const std::string& text) {
    std::lock_guard lock(mutex_);
    seen_.texts.push_back(text);
}

void SeenHost::ShowMessage(const std::string& text, const std::string& caption,
                           ops::MessageIcon icon) {
    std::lock_guard lock(mutex_);
    seen_.messages.push_back({text, caption, icon});
}

void SeenHost::SetOperationRunning(bool running) {
    std::lock_guard lock(mutex_);
    seen_.running.push_back(running);
    seen_.busyAtRunning.push_back(g_bBusy.load());
}

std::optional<std::string> SeenHost::ChooseOutputPath(const std::string& defaultName) {
    std::lock_guard lock(mutex_);
    seen_.offered.push_back(defaultName);
    return outputPath;
}

Seen SeenHost::Get() const {
    std::lock_guard lock(mutex_);
    return seen_;
}

}  // namespace veldrant::faults
