// Stands in for the browser registered for ".htm" pages: writes the command line it was started
// with, as UTF-8, to the file its first argument names (renamed into place when complete).
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include <filesystem>
#include <fstream>

#include "platform/windows/WinText.h"

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 2)
        return 2;
    const std::wstring part = std::wstring(argv[1]) + L".part";
    std::ofstream(std::filesystem::path(part), std::ios::binary) << veldrant::platform::win::Utf8(GetCommandLineW());
    return MoveFileExW(part.c_str(), argv[1], MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
