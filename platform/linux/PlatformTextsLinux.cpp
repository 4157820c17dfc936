#include "platform/PlatformTexts.h"

namespace veldrant::platform {

std::string OtherStopRequest() {
    return "SIGTERM";
}

std::string DeviceSources() {
    return "the kernel's hidraw nodes, then simulated watches";
}

std::string PermissionRemedy() {
    return "see the README on the udev rule";
}

std::string EnvironmentVariable(const std::string& name) {
    return "$" + name;
}

std::string SimDirectoryDefault() {
    return "$XDG_RUNTIME_DIR/veldrant-sim, else /tmp/veldrant-sim-UID";
}

}  // namespace veldrant::platform
