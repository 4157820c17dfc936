#include "platform/PlatformTexts.h"

namespace veldrant::platform {

// Ctrl-Break, closing the console window, logging off and shutting down all stop a job.
std::string OtherStopRequest() {
    return "Ctrl-Break or closing the console window";
}

std::string DeviceSources() {
    return "the HID devices Windows lists, then simulated watches";
}

std::string PermissionRemedy() {
    return "unplug the watch and plug it in again, or close the program that holds it";
}

std::string EnvironmentVariable(const std::string& name) {
    return "%" + name + "%";
}

std::string SimDirectoryDefault() {
    return "%LOCALAPPDATA%\\veldrant-sim, else %TEMP%\\veldrant-sim";
}

}  // namespace veldrant::platform
