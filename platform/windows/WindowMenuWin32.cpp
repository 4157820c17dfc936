// Greys or enables SC_CLOSE in the window's own system menu (not a copy: bRevert FALSE); the
// caption's close box follows the menu item.
#include <windows.h>

#include <string_view>

#include "platform/WindowMenu.h"

namespace veldrant::platform {

namespace {

// A window of this process: a handle from a toolkit platform without native windows (Qt's
// offscreen one numbers its windows itself) may name someone else's window or none.
HWND OwnWindow(std::uintptr_t window) {
    HWND hwnd = reinterpret_cast<HWND>(window);
    DWORD process = 0;
    if (!hwnd || !GetWindowThreadProcessId(hwnd, &process) || process != GetCurrentProcessId())
        return nullptr;
    return hwnd;
}

}  // namespace

void EnableWindowClose(std::uintptr_t window, bool enable) {
    HWND hwnd = OwnWindow(window);
    if (!hwnd)
        return;
    if (HMENU menu = GetSystemMenu(hwnd, FALSE))
        EnableMenuItem(menu, SC_CLOSE, MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED));
}

std::optional<bool> WindowCloseEnabled(std::uintptr_t window) {
    HWND hwnd = OwnWindow(window);
    HMENU menu = hwnd ? GetSystemMenu(hwnd, FALSE) : nullptr;
    const UINT state = menu ? GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND) : UINT(-1);
    if (state == UINT(-1))
        return std::nullopt;
    return (state & MF_GRAYED) == 0;
}

// Qt opens its own copy of the window menu on Alt+Space and enables Close in it. The key reaches
// the filter as the queue's WM_SYSKEYDOWN (Alt held: bit 29 of lParam) for the focus window;
// taking it there and asking the top-level window for SC_KEYMENU opens Windows' own menu.
bool TakeWindowMenuKey(std::string_view eventType, void* message) {
    if (!message || eventType != "windows_generic_MSG")
        return false;
    const MSG* msg = static_cast<const MSG*>(message);
    if (msg->message != WM_SYSKEYDOWN || msg->wParam != VK_SPACE || !(msg->lParam & (1 << 29)))
        return false;
    HWND top = GetAncestor(msg->hwnd, GA_ROOT);
    if (!top || WindowCloseEnabled(reinterpret_cast<std::uintptr_t>(top)) != false)
        return false;
    return PostMessageW(top, WM_SYSCOMMAND, SC_KEYMENU, VK_SPACE) != FALSE;
}

}  // namespace veldrant::platform
