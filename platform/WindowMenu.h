// The Close item of a top-level window's window menu. Windows greys it (SC_CLOSE in the system
// menu), which also greys the caption's close box; X11 has no such item, so there nothing
// changes and the window refuses the close itself.
#pragma once

#include <cstdint>
#include <optional>

namespace veldrant::platform {

// `window` is the native handle of a top-level window (QWidget::winId()); 0 changes nothing.
void EnableWindowClose(std::uintptr_t window, bool enable);
// Whether that item is enabled now; nothing where the window has no such item.
std::optional<bool> WindowCloseEnabled(std::uintptr_t window);

}  // namespace veldrant::platform
