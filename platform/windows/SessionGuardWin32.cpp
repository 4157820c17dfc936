// On Windows the shutdown block belongs to the desktop window (ShutdownBlockReasonCreate needs
// its top-level window, and WM_QUERYENDSESSION goes to it); here nothing is held.
#include "platform/SessionGuard.h"

namespace veldrant::platform {

CSessionGuard::CSessionGuard(const std::string&, const std::string&, std::chrono::milliseconds)
    : skipReason_("on Windows the main window blocks the shutdown itself") {}

CSessionGuard::~CSessionGuard() = default;

}  // namespace veldrant::platform
