// Requests that reach a long-running terminal program from outside: stop (Ctrl-C, SIGTERM, the
// console closing) and, for the simulated watch, unplug and plug. On Linux unplug and plug are
// SIGUSR1 and SIGUSR2; Windows has no such signals, so there they are two named events that
// any program can set (UnplugEventName, PlugEventName).
#pragma once

#include <chrono>
#include <memory>
#include <string>

namespace veldrant::platform {

enum class ControlRequest { None, Stop, Unplug, Plug };

class CControlRequests {
public:
    // Starts taking the requests; create it before any other thread starts.
    CControlRequests();
    ~CControlRequests();
    CControlRequests(const CControlRequests&) = delete;
    CControlRequests& operator=(const CControlRequests&) = delete;

    // The next request, or None after `timeout`.
    ControlRequest Wait(std::chrono::milliseconds timeout);
    // How another program asks for unplug and plug, for the usage text.
    static std::string HowToUnplug();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace veldrant::platform
