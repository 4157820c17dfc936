#include "platform/windows/SimPipe.h"

#include <atomic>
#include <cstdlib>

#include "platform/DataFolder.h"
#include "platform/SimProtocol.h"
#include "platform/windows/WinText.h"

namespace veldrant::platform {

// $VELDRANT_SIM_DIR when set, else %LOCALAPPDATA%\veldrant-sim (the user's own), else the
// temporary folder's veldrant-sim.
std::string SimDirectory() {
    std::string dir = EnvironmentText("VELDRANT_SIM_DIR");
    if (!dir.empty())
        return dir;
    std::string local = EnvironmentText("LOCALAPPDATA");
    if (!local.empty())
        return local + "\\veldrant-sim";
    wchar_t temp[MAX_PATH + 1];
    DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    return win::Utf8(std::wstring_view(temp, n)) + "veldrant-sim";
}

// Also no backslash or colon: a name must stay one file in the directory.
bool IsValidSimName(std::string_view name) {
    if (name.empty() || name.front() == '.')
        return false;
    return name.find_first_of(std::string_view("/\\:\0", 4)) == std::string_view::npos;
}

namespace win {

std::optional<std::wstring> ReadPipeName(const std::string& interfacePath) {
    Handle file(CreateFileW(Wide(interfacePath).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return std::nullopt;
    char text[512];
    DWORD got = 0;
    if (!ReadFile(file.Get(), text, sizeof text, &got, nullptr) || got == 0 || got == sizeof text)
        return std::nullopt;
    std::wstring name = Wide(std::string_view(text, got));
    if (name.rfind(L"\\\\.\\pipe\\", 0) != 0)
        return std::nullopt;
    return name;
}

std::wstring NewPipeName(const std::string& name) {
    static std::atomic<unsigned> serial{0};
    return L"\\\\.\\pipe\\veldrant-sim-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(++serial) + L"-" + Wide(name);
}

}  // namespace win
}  // namespace veldrant::platform
