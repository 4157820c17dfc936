// Ctrl-C and SIGTERM on Linux: one sigaction handler that does only async-signal-safe things
// (the lock-free counting of platform/InterruptState.h, clock_gettime, write, unlink through
// RemovePendingOutputs, _exit).
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/Interrupt.h"
#include "platform/InterruptState.h"
#include "platform/SafeOutput.h"

namespace veldrant::platform {
namespace {

void Say(const char* text) {
    size_t left = std::strlen(text);
    while (left > 0) {
        ssize_t n = ::write(STDERR_FILENO, text, left);
        if (n <= 0)
            return;
        text += n;
        left -= static_cast<size_t>(n);
    }
}

void OnSignal(int sig) {
    const int saved = errno;
    if (!interrupt::Catching()) {
        // No job to stop gently: nothing half-written may stay behind.
        RemovePendingOutputs();
        ::_exit(128 + sig);
    }
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const auto notice = interrupt::Take(sig == SIGINT, now.tv_sec * 1000LL + now.tv_nsec / 1000000);
    Say(interrupt::Text(notice));
    errno = saved;
}

}  // namespace

void InstallInterruptHandling() {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

}  // namespace veldrant::platform
