// Keeps the session from shutting down while the program runs: the login manager is asked for a
// blocking shutdown inhibitor that carries a reason the desktop shows to the user. The log-off
// half (the session manager's save-yourself request) belongs to the UI toolkit and is refused
// by the application itself.
#pragma once

#include <chrono>
#include <memory>
#include <string>

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

    bool Held() const { return fd_ >= 0; }
    // Why nothing is held (empty while held).
    const std::string& SkipReason() const { return skipReason_; }

private:
    int fd_ = -1;
    std::string skipReason_;
};

}  // namespace veldrant::platform
