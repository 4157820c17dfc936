// Ctrl-C and the console's other control events on Windows. Windows runs the handler on a thread
// of its own, so it may take a lock and write as any thread does. Ctrl-C counts as SIGINT does on
// Linux; Ctrl-Break, closing the console, log-off and shutdown count as SIGTERM. Outside a job
// the process ends with 130 (Ctrl-C) or 143, the statuses a shell gives on Linux.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>

#include "platform/Interrupt.h"
#include "platform/SafeOutput.h"

namespace veldrant::platform {
namespace {

std::mutex g_mutex;  // the notices
std::atomic<bool> g_catching{false};
std::atomic<bool> g_confirm{false};
std::atomic<bool> g_stop{false};
std::atomic<int> g_presses{0};
std::atomic<unsigned long long> g_lastPress{0};  // GetTickCount64 of the last unconfirmed press
std::string g_firstNotice;
std::string g_stopNotice;

void Say(const std::string& text) {
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
}

BOOL WINAPI OnControl(DWORD event) {
    const bool ctrlC = event == CTRL_C_EVENT;
    if (!g_catching.load()) {
        // No job to stop gently: nothing half-written may stay behind.
        RemovePendingOutputs();
        ExitProcess(ctrlC ? 130 : 143);
    }
    std::lock_guard lock(g_mutex);
    if (g_stop.load())
        return TRUE;  // already stopping at the next safe point
    bool stop = !ctrlC || !g_confirm.load();
    if (ctrlC) {
        g_presses.fetch_add(1);
        const unsigned long long now = GetTickCount64();
        const unsigned long long last = g_lastPress.load();
        if (!stop && last != 0 && now - last <= kConfirmWindowSeconds * 1000ull) {
            stop = true;
        } else if (!stop) {
            g_lastPress.store(now);
            Say(g_firstNotice);
        }
    }
    if (stop) {
        g_stop.store(true);
        Say(g_stopNotice);
    }
    return TRUE;
}

}  // namespace

void InstallInterruptHandling() {
    SetConsoleCtrlHandler(OnControl, TRUE);
}

InterruptCatcher::InterruptCatcher(bool confirm, const std::string& firstNotice,
                                   const std::string& stopNotice) {
    g_catching.store(false);
    {
        std::lock_guard lock(g_mutex);
        g_firstNotice = firstNotice;
        g_stopNotice = stopNotice;
    }
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
