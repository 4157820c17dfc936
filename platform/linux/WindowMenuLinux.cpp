// X11 window managers draw their own close box and offer no way to grey it: the window refuses a
// close request while a job runs instead.
#include "platform/WindowMenu.h"

namespace veldrant::platform {

void EnableWindowClose(std::uintptr_t, bool) {}

std::optional<bool> WindowCloseEnabled(std::uintptr_t) {
    return std::nullopt;
}

bool TakeWindowMenuKey(std::string_view, void*) {
    return false;
}

}  // namespace veldrant::platform
