#include "platform/SimProtocol.h"

#include <unistd.h>

#include <cstdlib>

namespace veldrant::platform {

std::string SimDirectory() {
    const char* dir = std::getenv("VELDRANT_SIM_DIR");
    if (dir && *dir)
        return dir;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime)
        return std::string(runtime) + "/veldrant-sim";
    return "/tmp/veldrant-sim-" + std::to_string(getuid());
}

bool IsValidSimName(std::string_view name) {
    if (name.empty() || name.front() == '.')
        return false;
    return name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

}  // namespace veldrant::platform
