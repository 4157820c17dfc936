#include <shlobj.h>

#include <cstdlib>

#include "platform/DataFolder.h"
#include "platform/windows/WinText.h"

namespace veldrant::platform {

std::string EnvironmentText(const char* name) {
    const wchar_t* v = _wgetenv(win::Wide(name).c_str());
    return v ? win::Utf8(v) : std::string();
}

std::string UserDataFolder() {
    PWSTR path = nullptr;
    std::string folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_DEFAULT, nullptr, &path)))
        folder = win::Utf8(path);
    CoTaskMemFree(path);
    if (folder.empty())
        folder = EnvironmentText("LOCALAPPDATA");
    return folder.empty() ? std::string() : folder + "\\Veldrant";
}

std::string UserDataFile(const std::string& name) {
    std::string folder = UserDataFolder();
    return folder.empty() ? std::string() : folder + "\\" + name;
}

}  // namespace veldrant::platform
