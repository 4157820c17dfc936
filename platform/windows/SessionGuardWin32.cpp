// The shutdown block of the program's window: ShutdownBlockReasonCreate, looked up in
// "User32.dll" (older systems lack it, and then the call is skipped), gives the window a reason
// that Windows shows when it asks to end the session, and SetProcessShutdownParameters(0x3FE)
// puts the process first in line to be asked. The reason stays until the window goes; the
// module handle is given back with the guard.
#include <windows.h>

#include <string>

#include "platform/SessionGuard.h"
#include "platform/windows/WinText.h"

namespace veldrant::platform {

namespace {

using ShutdownBlockReasonCreateFn = BOOL(WINAPI*)(HWND, LPCWSTR);

// The highest level an application may take: asked before every other program.
constexpr DWORD kShutdownLevel = 0x3FE;

}  // namespace

struct CSessionGuard::Impl {
    std::wstring reason;
    HMODULE user32 = nullptr;
    bool attached = false;
    bool held = false;
};

CSessionGuard::CSessionGuard(const std::string&, const std::string& why, std::chrono::milliseconds)
    : impl_(std::make_unique<Impl>()), skipReason_("the window is not open yet") {
    impl_->reason = win::Wide(why);
}

CSessionGuard::~CSessionGuard() {
    if (impl_->user32)
        FreeLibrary(impl_->user32);
}

void CSessionGuard::AttachWindow(std::uintptr_t window) {
    HWND hwnd = reinterpret_cast<HWND>(window);
    if (impl_->attached || !hwnd)
        return;
    impl_->attached = true;
    impl_->user32 = LoadLibraryW(L"User32.dll");
    auto create = impl_->user32
                      ? reinterpret_cast<ShutdownBlockReasonCreateFn>(reinterpret_cast<void*>(
                            GetProcAddress(impl_->user32, "ShutdownBlockReasonCreate")))
                      : nullptr;
    if (!create) {
        skipReason_ = "this Windows has no shutdown block reasons";
    } else if (create(hwnd, impl_->reason.c_str())) {
        impl_->held = true;
        skipReason_.clear();
    } else {
        skipReason_ = "ShutdownBlockReasonCreate failed (Windows error " +
                      std::to_string(GetLastError()) + ")";
    }
    SetProcessShutdownParameters(kShutdownLevel, 0);
}

bool CSessionGuard::Held() const {
    return impl_->held;
}

// The toolkit hands a window's messages over as "windows_generic_MSG", a MSG each.
bool AnswerSessionEnd(std::string_view eventType, void* message, std::intptr_t* result) {
    if (!message || eventType != "windows_generic_MSG")
        return false;
    const MSG* msg = static_cast<const MSG*>(message);
    switch (msg->message) {
        case WM_QUERYENDSESSION:
            if (result)
                *result = FALSE;  // the session may not end while the window is open
            return true;
        case WM_ENDSESSION:
            if (result)
                *result = 0;
            return true;
        default:
            return false;
    }
}

}  // namespace veldrant::platform
