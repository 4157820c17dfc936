// X11 window managers draw their own close box and offer no way to grey it: the window refuses a
// close request while a job runs instead.
#include "platform/WindowMenu.h"

namespace veldrant::platform {

void EnableWindowClose(std::uintptr_t, bool) {}

}  // namespace veldrant::platform
