// Greys or enables SC_CLOSE in the window's own system menu (not a copy: bRevert FALSE); the
// caption's close box follows the menu item.
#include <windows.h>

#include "platform/WindowMenu.h"

namespace veldrant::platform {

void EnableWindowClose(std::uintptr_t window, bool enable) {
    HWND hwnd = reinterpret_cast<HWND>(window);
    if (!hwnd)
        return;
    if (HMENU menu = GetSystemMenu(hwnd, FALSE))
        EnableMenuItem(menu, SC_CLOSE, MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED));
}

std::optional<bool> WindowCloseEnabled(std::uintptr_t window) {
    HWND hwnd = reinterpret_cast<HWND>(window);
    HMENU menu = (hwnd && IsWindow(hwnd)) ? GetSystemMenu(hwnd, FALSE) : nullptr;
    const UINT state = menu ? GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND) : UINT(-1);
    if (state == UINT(-1))
        return std::nullopt;
    return (state & MF_GRAYED) == 0;
}

}  // namespace veldrant::platform
