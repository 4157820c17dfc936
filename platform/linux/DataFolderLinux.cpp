#include <cstdlib>

#include "platform/DataFolder.h"

namespace veldrant::platform {

std::string EnvironmentText(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string UserDataFolder() {
    // The base directory specification: a relative $XDG_DATA_HOME is invalid and ignored.
    std::string base = EnvironmentText("XDG_DATA_HOME");
    if (base.empty() || base[0] != '/') {
        std::string home = EnvironmentText("HOME");
        if (home.empty())
            return {};
        base = home + "/.local/share";
    }
    return base + "/veldrant";
}

std::string UserDataFile(const std::string& name) {
    std::string folder = UserDataFolder();
    return folder.empty() ? std::string() : folder + "/" + name;
}

}  // namespace veldrant::platform
