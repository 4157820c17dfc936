// Ctrl-C and the console's other control events on Windows. Windows runs the handler on a thread
// of its own. Ctrl-C counts as SIGINT does on Linux; Ctrl-Break, closing the console, log-off
// and shutdown count as SIGTERM. Outside a job the process ends with 130 (Ctrl-C) or 143, the
// statuses a shell gives on Linux.
#include <windows.h>

#include <cstdio>

#include "platform/Interrupt.h"
#include "platform/InterruptState.h"
#include "platform/SafeOutput.h"

namespace veldrant::platform {
namespace {

BOOL WINAPI OnControl(DWORD event) {
    const bool ctrlC = event == CTRL_C_EVENT;
    if (!interrupt::Catching()) {
        // No job to stop gently: nothing half-written may stay behind.
        RemovePendingOutputs();
        ExitProcess(ctrlC ? 130 : 143);
    }
    const auto notice = interrupt::Take(ctrlC, static_cast<std::int64_t>(GetTickCount64()));
    std::fputs(interrupt::Text(notice), stderr);
    std::fflush(stderr);
    return TRUE;
}

}  // namespace

void InstallInterruptHandling() {
    SetConsoleCtrlHandler(OnControl, TRUE);
}

}  // namespace veldrant::platform
