// The Close item of a top-level window's window menu. Windows greys it (SC_CLOSE in the system
// menu), which also greys the caption's close box; X11 has no such item, so there nothing
// changes and the window refuses the close itself.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace veldrant::platform {

// `window` is the native handle of a top-level window (QWidget::winId()); 0 changes nothing.
void EnableWindowClose(std::uintptr_t window, bool enable);
// Whether that item is enabled now; nothing where the window has no such item.
std::optional<bool> WindowCloseEnabled(std::uintptr_t window);

// Takes a native message, as the toolkit hands it over, that opens the window menu from the
// keyboard (Alt+Space) while that window's Close item is greyed, and opens the system's own menu
// instead: the toolkit's menu would enable Close again. True when the message was taken.
bool TakeWindowMenuKey(std::string_view eventType, void* message);

}  // namespace veldrant::platform
