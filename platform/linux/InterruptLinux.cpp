// Ctrl-C and SIGTERM on Linux: one sigaction handler that does only async-signal-safe things
// (atomics, clock_gettime, write, unlink through RemovePendingOutputs, _exit).
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>

#include "platform/Interrupt.h"
#include "platform/SafeOutput.h"

namespace veldrant::platform {
namespace {

constexpr size_t kNoticeSize = 1024;
std::atomic<bool> g_catching{false};
std::atomic<bool> g_confirm{false};
std::atomic<bool> g_stop{false};
std::atomic<int> g_presses{0};
std::atomic<long long> g_lastPress{0};  // CLOCK_MONOTONIC seconds of the last unconfirmed press
char g_firstNotice[kNoticeSize];
char g_stopNotice[kNoticeSize];

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

void Copy(char* into, const std::string& text) {
    const size_t n = std::min(text.size(), kNoticeSize - 1);
    std::memcpy(into, text.data(), n);
    into[n] = '\0';
}

void OnSignal(int sig) {
    const int saved = errno;
    if (!g_catching.load()) {
        // No job to stop gently: nothing half-written may stay behind.
        RemovePendingOutputs();
        ::_exit(128 + sig);
    }
    if (g_stop.load()) {
        errno = saved;
        return;  // already stopping at the next safe point
    }
    bool stop = sig != SIGINT || !g_confirm.load();
    if (sig == SIGINT) {
        g_presses.fetch_add(1);
        timespec now{};
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        const long long last = g_lastPress.load();
        if (!stop && last != 0 && now.tv_sec - last <= kConfirmWindowSeconds) {
            stop = true;
        } else if (!stop) {
            g_lastPress.store(now.tv_sec);
            Say(g_firstNotice);
        }
    }
    if (stop) {
        g_stop.store(true);
        Say(g_stopNotice);
    }
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

InterruptCatcher::InterruptCatcher(bool confirm, const std::string& firstNotice,
                                   const std::string& stopNotice) {
    g_catching.store(false);
    Copy(g_firstNotice, firstNotice);
    Copy(g_stopNotice, stopNotice);
    g_confirm.store(confirm);
    g_stop.store(false);
    g_presses.store(0);
    g_lastPress.store(0);
    g_catching.store(true);
}

InterruptCatcher::~InterruptCatcher() {
    g_catching.store(false);
}

bool StopRequested() {
    return g_stop.load();
}
int InterruptPresses() {
    return g_presses.load();
}

}  // namespace veldrant::platform
