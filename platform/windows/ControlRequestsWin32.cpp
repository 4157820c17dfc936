// Stop comes from the console (Ctrl-C, Ctrl-Break, the window closing); unplug and plug are the
// named events "Local\veldrant-sim-<process id>-unplug" and "…-plug", which any program of the
// session can set (SetEvent after OpenEventW).
#include <string>

#include "platform/ControlRequests.h"
#include "platform/windows/WinText.h"

namespace veldrant::platform {

namespace {
HANDLE g_stop = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD) {
    if (g_stop)
        SetEvent(g_stop);
    return TRUE;
}

std::wstring EventName(const char* what) {
    return L"Local\\veldrant-sim-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           win::Wide(what);
}
}  // namespace

struct CControlRequests::Impl {
    win::Handle stop{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    win::Handle unplug{CreateEventW(nullptr, FALSE, FALSE, EventName("unplug").c_str())};
    win::Handle plug{CreateEventW(nullptr, FALSE, FALSE, EventName("plug").c_str())};
};

CControlRequests::CControlRequests() : impl_(std::make_unique<Impl>()) {
    g_stop = impl_->stop.Get();
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

CControlRequests::~CControlRequests() {
    SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
    g_stop = nullptr;
}

ControlRequest CControlRequests::Wait(std::chrono::milliseconds timeout) {
    HANDLE events[3] = {impl_->stop.Get(), impl_->unplug.Get(), impl_->plug.Get()};
    switch (WaitForMultipleObjects(3, events, FALSE, DWORD(timeout.count()))) {
        case WAIT_OBJECT_0:
            return ControlRequest::Stop;
        case WAIT_OBJECT_0 + 1:
            return ControlRequest::Unplug;
        case WAIT_OBJECT_0 + 2:
            return ControlRequest::Plug;
        default:
            return ControlRequest::None;
    }
}

std::string CControlRequests::HowToUnplug() {
    return "The event Local\\veldrant-sim-<process id>-unplug unplugs the watch, ...-plug plugs "
           "it in again.";
}

}  // namespace veldrant::platform
