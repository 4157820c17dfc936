// Keeps the session from ending while the program's window is open.
//
// Linux: the login manager is asked for a blocking shutdown inhibitor that carries a reason the
// desktop shows to the user; the log-off half (the session manager's save-yourself request)
// belongs to the UI toolkit and is refused by the application itself.
// Windows: the block belongs to the top-level window: once it exists (AttachWindow) the reason
// is set on it with ShutdownBlockReasonCreate and the process asks to hear of the session's end
// first; the window then answers the end-session query with a refusal (AnswerSessionEnd).
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace veldrant::platform {

class CSessionGuard {
public:
    // `who` names the program, `why` is the reason shown when a shutdown is refused. Where the
    // system has no login manager to ask (no system bus, as in containers), nothing is held and
    // the program runs on: that is not an error.
    CSessionGuard(const std::string& who, const std::string& why,
                  std::chrono::milliseconds timeout = std::chrono::milliseconds(2000));
    ~CSessionGuard();  // gives the inhibitor back
    CSessionGuard(const CSessionGuard&) = delete;
    CSessionGuard& operator=(const CSessionGuard&) = delete;

    // The program's top-level window, once its native window exists (QWidget::winId()). Windows
    // sets the shutdown block reason on it; Linux needs no window. Later calls change nothing.
    void AttachWindow(std::uintptr_t window);

    bool Held() const;
    // Why nothing is held (empty while held).
    const std::string& SkipReason() const { return skipReason_; }

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::string skipReason_;
};

// Answers a native window message about the session's end, as the toolkit hands it over
// (`eventType` names the kind of message). True when the message was one: `result` then holds
// the answer. Windows refuses the end-session query (FALSE) and takes the end-session notice
// without doing anything; Linux's session manager asks through the toolkit instead, so nothing
// here is ever one.
bool AnswerSessionEnd(std::string_view eventType, void* message, std::intptr_t* result);

}  // namespace veldrant::platform
