// The shell opens the address; when it refuses, the program registered for ".htm" pages is run
// on it directly (HKEY_CLASSES_ROOT\.htm names the file type, whose shell\open\command holds the
// command line), and its start's result is the answer. A registry step that fails leaves the
// shell's own result.
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include "platform/WebBrowser.h"
#include "platform/windows/WinText.h"

namespace veldrant::platform {

namespace {

// A string value of a key under HKEY_CLASSES_ROOT (the key's default value), false when the key
// or the value is missing or not a string. The registry ends the string for us.
bool ClassesRootDefault(const std::wstring& key, std::wstring& value, DWORD maxBytes) {
    std::wstring buffer(maxBytes / sizeof(wchar_t), L'\0');
    DWORD bytes = DWORD(buffer.size() * sizeof(wchar_t));
    // A command held as REG_EXPAND_SZ ("%ProgramFiles%\...") passes as REG_SZ, expanded.
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, buffer.data(),
                     &bytes) != ERROR_SUCCESS)
        return false;
    buffer.resize(wcsnlen(buffer.c_str(), bytes / sizeof(wchar_t)));
    value = std::move(buffer);
    return true;
}

// WinExec takes the command line in the ANSI code page.
std::string Ansi(const std::wstring& wide) {
    if (wide.empty())
        return {};
    int n =
        WideCharToMultiByte(CP_ACP, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_ACP, 0, wide.data(), int(wide.size()), out.data(), n, nullptr,
                            nullptr);
    return out;
}

// The longest file-type name read from ".htm" (MAX_PATH bytes), and a generous limit for the
// command line.
constexpr DWORD kTypeNameBytes = MAX_PATH;
constexpr DWORD kCommandBytes = 32768 * sizeof(wchar_t);

}  // namespace

int OpenWebAddress(const std::string& target) {
    const std::wstring wide = win::Wide(target);
    const int shell =
        int(INT_PTR(ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOW)));
    if (shell > 32)
        return shell;
    std::wstring type, command;
    if (!ClassesRootDefault(L".htm", type, kTypeNameBytes) || type.empty())
        return shell;
    if (!ClassesRootDefault(type + L"\\shell\\open\\command", command, kCommandBytes))
        return shell;
    return int(WinExec(Ansi(BrowserCommandLine(command, wide)).c_str(), SW_SHOW));
}

}  // namespace veldrant::platform
