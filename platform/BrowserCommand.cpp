// The command line for the registered web-page program: what comes before the placeholder, a
// blank, the address. Pure text work, the same on every platform.
#include "platform/WebBrowser.h"

namespace veldrant::platform {

std::wstring BrowserCommandLine(std::wstring_view registered, std::wstring_view target) {
    std::wstring_view::size_type cut = registered.find(L"\"%1\"");
    if (cut == std::wstring_view::npos)
        cut = registered.find(L"%1");
    std::wstring line(registered.substr(0, cut));
    line += L' ';
    line += target;
    return line;
}

}  // namespace veldrant::platform
