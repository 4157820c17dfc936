// The window's Windows services on a plain window of the test's own: the Close item, the
// shutdown block, the end-session answer, and the ".htm" program run when the shell refuses.
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/SessionGuard.h"
#include "platform/WebBrowser.h"
#include "platform/WindowMenu.h"
#include "platform/windows/WinText.h"
#include "tests/app/WaitFor.h"
#include "tests/support/Files.h"
#include "tests/support/TempDir.h"

namespace veldrant::platform {
namespace {

constexpr const char* kReason = "このプログラムにより、シャットダウンできません";

bool UnderWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// A hidden top-level window with caption and system menu.
struct TestWindow {
    HWND hwnd = CreateWindowExW(0, L"STATIC", L"Veldrant", WS_OVERLAPPEDWINDOW, 0, 0, 320, 200,
                                nullptr, nullptr, nullptr, nullptr);
    ~TestWindow() { DestroyWindow(hwnd); }
    std::uintptr_t Handle() const { return reinterpret_cast<std::uintptr_t>(hwnd); }
};

TEST(WindowMenu, CloseItemGreyedWhileLockedAndEnabledAfter) {
    TestWindow window;
    ASSERT_TRUE(window.hwnd);
    EXPECT_EQ(WindowCloseEnabled(window.Handle()), true);
    for (bool enable : {false, false, true, true, false, true}) {
        EnableWindowClose(window.Handle(), enable);
        EXPECT_EQ(WindowCloseEnabled(window.Handle()), enable);
        // As the window menu itself says:
        EXPECT_EQ(
            GetMenuState(GetSystemMenu(window.hwnd, FALSE), SC_CLOSE, MF_BYCOMMAND) & MF_GRAYED,
            enable ? 0u : UINT(MF_GRAYED));
    }
    EnableWindowClose(0, false);  // no window yet: nothing happens
    EXPECT_EQ(WindowCloseEnabled(0), std::nullopt);
    // Another process's window is left alone.
    const auto desktop = reinterpret_cast<std::uintptr_t>(GetDesktopWindow());
    EnableWindowClose(desktop, false);
    EXPECT_EQ(WindowCloseEnabled(desktop), std::nullopt);
}

TEST(WindowMenu, AltSpaceWhileCloseIsGreyedOpensTheSystemsOwnMenu) {
    TestWindow window;
    const struct {
        bool closeEnabled;
        const char* type;
        LPARAM lParam;  // bit 29: Alt held
        bool taken;
    } cases[] = {
        {false, "windows_generic_MSG", 1 << 29, true},
        {true, "windows_generic_MSG", 1 << 29, false},
        {false, "windows_generic_MSG", 0, false},
        {false, "xcb_generic_event_t", 1 << 29, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.type) + (c.closeEnabled ? " enabled" : " greyed"));
        EnableWindowClose(window.Handle(), c.closeEnabled);
        MSG key{window.hwnd, WM_SYSKEYDOWN, VK_SPACE, c.lParam, 0, {}};
        EXPECT_EQ(TakeWindowMenuKey(c.type, &key), c.taken);
        MSG posted{};
        ASSERT_EQ(PeekMessageW(&posted, window.hwnd, WM_SYSCOMMAND, WM_SYSCOMMAND, PM_REMOVE),
                  c.taken);
        if (c.taken) {
            EXPECT_EQ(posted.wParam, WPARAM(SC_KEYMENU));
            EXPECT_EQ(posted.lParam, LPARAM(VK_SPACE));
        }
    }
}

TEST(SessionGuard, ReasonSetOnTheWindowAndAskedFirst) {
    TestWindow window;
    CSessionGuard guard("Kestrune VELDRANT for KVT2700", kReason);
    EXPECT_FALSE(guard.Held());
    guard.AttachWindow(window.Handle());
    DWORD level = 0, flags = 1;
    ASSERT_TRUE(GetProcessShutdownParameters(&level, &flags));
    EXPECT_EQ(level, 0x3FEu);
    EXPECT_EQ(flags, 0u);
    if (UnderWine()) {
        // Wine's ShutdownBlockReasonCreate is a failing stub and it has no
        // ShutdownBlockReasonQuery at all (a call ends the program): the guard says why.
        EXPECT_FALSE(guard.Held());
        EXPECT_EQ(guard.SkipReason().rfind("ShutdownBlockReasonCreate failed", 0), 0u);
        return;
    }
    EXPECT_TRUE(guard.Held()) << guard.SkipReason();
    wchar_t text[256] = {};
    DWORD length = DWORD(std::size(text));
    ASSERT_TRUE(ShutdownBlockReasonQuery(window.hwnd, text, &length));
    EXPECT_EQ(win::Utf8(text), kReason);
}

TEST(SessionEnd, QueryRefusedEndTakenOtherMessagesLeft) {
    const struct {
        const char* type;
        UINT message;
        bool handled;
        std::intptr_t result;
    } cases[] = {
        {"windows_generic_MSG", WM_QUERYENDSESSION, true, FALSE},
        {"windows_generic_MSG", WM_ENDSESSION, true, 0},
        {"windows_generic_MSG", WM_CLOSE, false, 77},
        {"xcb_generic_event_t", WM_QUERYENDSESSION, false, 77},
    };
    for (const auto& c : cases) {
        MSG msg{};
        msg.message = c.message;
        std::intptr_t result = 77;
        EXPECT_EQ(AnswerSessionEnd(c.type, &msg, &result), c.handled) << c.type << c.message;
        EXPECT_EQ(result, c.result) << c.type << c.message;
    }
}

void SetClass(const std::wstring& key, const std::wstring& value, DWORD type) {
    ASSERT_EQ(RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, type, value.c_str(),
                              DWORD((value.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
}

TEST(OpenWebAddress, ShellRefusesThenTheHtmProgramRunsOnTheAddress) {
    // Wine 8 shows no per-user classes under HKEY_CLASSES_ROOT: the file types go to the
    // machine's, which only the test's own prefix may have changed.
    if (!UnderWine())
        GTEST_SKIP() << "changes the \".htm\" program: only in the test's own wine prefix";
    testing::TempDir temp;
    // A page that does not exist: the shell refuses it every time.
    const std::string target = temp.File("no-such-page.htm");
    const int shell = int(INT_PTR(
        ShellExecuteW(nullptr, L"open", win::Wide(target).c_str(), nullptr, nullptr, SW_SHOW)));
    ASSERT_LE(shell, 32);
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const auto recorder = std::filesystem::path(self).parent_path() / L"windows_link_recorder.exe";
    const std::wstring record = win::Wide(temp.File("record.txt"));
    // What stays of each command before the address.
    const std::wstring kept = L"\"" + recorder.wstring() + L"\" \"" + record + L"\" ";
    SetEnvironmentVariableW(L"VELDRANT_TEST_RECORDER", recorder.c_str());
    const struct {
        std::wstring command;  // empty: the file type has no open command
        DWORD valueType;
    } cases[] = {
        {kept + L"\"%1\"", REG_SZ},
        {kept + L"%1 -new-window", REG_SZ},
        {L"\"%VELDRANT_TEST_RECORDER%\" \"" + record + L"\" \"%1\"", REG_EXPAND_SZ},
        {L"", REG_SZ},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(win::Utf8(c.command));
        std::filesystem::remove(record);
        const std::wstring type = L"VeldrantTest.Page" + std::to_wstring(++n);
        SetClass(L".htm", type, REG_SZ);
        if (!c.command.empty())
            SetClass(type + L"\\shell\\open\\command", c.command, c.valueType);
        const int result = OpenWebAddress(target);
        if (c.command.empty()) {
            EXPECT_EQ(result, shell);
            continue;
        }
        ASSERT_GT(result, 32);
        ASSERT_TRUE(testing::WaitUntil([&] { return std::filesystem::exists(record); },
                                       std::chrono::minutes(2)));
        EXPECT_EQ(testing::ReadAll(record), win::Utf8(kept) + " " + target);
    }
}

}  // namespace
}  // namespace veldrant::platform
