// The wide-character command line, split as the C runtime splits it (CommandLineToArgvW), in
// UTF-8; and a console switched to UTF-8 output.
#include <windows.h>

#include <shellapi.h>

#include "platform/Args.h"
#include "platform/windows/WinText.h"

namespace veldrant::platform {

std::vector<std::string> Utf8Arguments(int /*argc*/, char** /*argv*/) {
    std::vector<std::string> args;
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!words)
        return args;
    for (int i = 1; i < count; ++i)
        args.push_back(win::Utf8(words[i]));
    LocalFree(words);
    return args;
}

void UseUtf8Console() {
    SetConsoleOutputCP(CP_UTF8);
}

}  // namespace veldrant::platform
