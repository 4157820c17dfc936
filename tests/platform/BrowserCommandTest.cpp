// The command line run for the program registered for web pages: the registered command up to
// its placeholder, a blank, the address.
#include <gtest/gtest.h>

#include "platform/WebBrowser.h"

namespace veldrant::platform {
namespace {

constexpr const wchar_t* kTarget = L"https://www.example.jp/kvt2700/";

struct Case {
    const char* what;
    const wchar_t* registered;
    const wchar_t* expected;
};

const Case kCases[] = {
    {"quoted placeholder: the blank before it stays, one more blank and the address follow",
     L"\"C:\\Program Files\\Web\\web.exe\" \"%1\"",
     L"\"C:\\Program Files\\Web\\web.exe\"  https://www.example.jp/kvt2700/"},
    {"bare placeholder", L"C:\\Web\\web.exe %1",
     L"C:\\Web\\web.exe  https://www.example.jp/kvt2700/"},
    {"no placeholder: the whole command, a blank, the address", L"C:\\Web\\web.exe -nohome",
     L"C:\\Web\\web.exe -nohome https://www.example.jp/kvt2700/"},
    {"what follows the placeholder is dropped", L"web.exe -osint -url \"%1\" -new-tab",
     L"web.exe -osint -url  https://www.example.jp/kvt2700/"},
    {"the quoted placeholder is looked for before any bare one", L"web.exe %1 \"%1\"",
     L"web.exe %1  https://www.example.jp/kvt2700/"},
    {"a folder with a Japanese name", L"\"C:\\ブラウザ\\web.exe\" \"%1\"",
     L"\"C:\\ブラウザ\\web.exe\"  https://www.example.jp/kvt2700/"},
};

TEST(BrowserCommandLine, CutAtThePlaceholderThenBlankAndAddress) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(BrowserCommandLine(c.registered, kTarget), c.expected);
    }
}

}  // namespace
}  // namespace veldrant::platform
