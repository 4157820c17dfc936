// Windows' own file dialogs as the window shows them, driven from a second thread as a user
// would: the name typed into the name box, the button pressed, Windows' questions answered.
#include <windows.h>
// after windows.h, which they need
#include <commdlg.h>
#include <dlgs.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "platform/File.h"
#include "platform/FileDialog.h"
#include "platform/windows/WinText.h"
#include "tests/app/WaitFor.h"
#include "tests/support/Files.h"
#include "tests/support/TempDir.h"

namespace veldrant::platform {
namespace {

// Reached only when something is wrong: a dialog that never shows.
constexpr std::chrono::seconds kLimit{60};

std::wstring TextOf(HWND h) {
    wchar_t text[1024] = {};
    GetWindowTextW(h, text, 1024);
    return text;
}

std::wstring ClassOf(HWND h) {
    wchar_t name[64] = {};
    GetClassNameW(h, name, 64);
    return name;
}

// A visible dialog of this process: with `owner` null the file dialog (it has the file type
// list), else a box the file dialog shows.
HWND FindDialog(HWND owner) {
    struct Search {
        HWND owner;
        HWND found = nullptr;
    } s{owner};
    EnumWindows(
        [](HWND h, LPARAM p) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(p);
            DWORD pid = 0;
            GetWindowThreadProcessId(h, &pid);
            if (pid != GetCurrentProcessId() || !IsWindowVisible(h) || ClassOf(h) != L"#32770")
                return TRUE;
            const bool match =
                s.owner ? GetWindow(h, GW_OWNER) == s.owner : GetDlgItem(h, cmb1) != nullptr;
            if (!match)
                return TRUE;
            s.found = h;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND WaitForDialog(HWND owner) {
    HWND h = nullptr;
    testing::WaitUntil([&] { return (h = FindDialog(owner)) != nullptr; }, kLimit);
    return h;
}

// The child with this id and window class (a list view may share the OK button's id).
HWND Child(HWND parent, int id, const wchar_t* windowClass) {
    struct Search {
        int id;
        const wchar_t* windowClass;
        HWND found = nullptr;
    } s{id, windowClass};
    EnumChildWindows(
        parent,
        [](HWND h, LPARAM p) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(p);
            if (GetDlgCtrlID(h) != s.id || ClassOf(h) != s.windowClass)
                return TRUE;
            s.found = h;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
}

// Posted, not sent: the dialog may answer the press with a box of its own.
void Press(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(Child(dialog, id, L"Button")));
}

// What a box says: the texts of its static controls.
std::string BoxText(HWND box) {
    std::wstring text;
    EnumChildWindows(
        box,
        [](HWND h, LPARAM p) -> BOOL {
            if (ClassOf(h) == L"Static")
                *reinterpret_cast<std::wstring*>(p) += TextOf(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&text));
    return win::Utf8(text);
}

// What the dialog showed when it opened.
struct Opened {
    std::string title;
    std::vector<std::string> filters;
    std::string folder;
    std::vector<std::string> boxes;
};

// The user: reads the dialog, types `typed` and presses the save or open button, answers each
// box with the next of `answers`, and cancels when the dialog is still open after them.
void User(const std::string& typed, const std::vector<int>& answers, bool cancelAtEnd,
          Opened& seen) {
    HWND dialog = WaitForDialog(nullptr);
    ASSERT_NE(dialog, nullptr);
    seen.title = win::Utf8(TextOf(dialog));
    HWND types = Child(dialog, cmb1, L"ComboBox");
    for (LRESULT i = 0, n = SendMessageW(types, CB_GETCOUNT, 0, 0); i < n; ++i) {
        std::wstring item(size_t(SendMessageW(types, CB_GETLBTEXTLEN, WPARAM(i), 0)), L'\0');
        SendMessageW(types, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(item.data()));
        seen.filters.push_back(win::Utf8(item));
    }
    wchar_t folder[MAX_PATH * 4] = {};
    SendMessageW(dialog, CDM_GETFOLDERPATH, WPARAM(std::size(folder)),
                 reinterpret_cast<LPARAM>(folder));
    seen.folder = win::Utf8(folder);

    HWND name = Child(dialog, cmb13, L"Edit");
    if (!name)
        name = Child(dialog, edt1, L"Edit");
    ASSERT_NE(name, nullptr);
    std::wstring native = win::Wide(typed);
    std::replace(native.begin(), native.end(), L'/', L'\\');
    SetWindowTextW(name, native.c_str());
    Press(dialog, IDOK);
    for (int answer : answers) {
        HWND box = WaitForDialog(dialog);
        ASSERT_NE(box, nullptr);
        seen.boxes.push_back(BoxText(box));
        Press(box, answer);
        testing::WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, kLimit);
    }
    if (cancelAtEnd)
        Press(dialog, IDCANCEL);
}

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    return std::filesystem::equivalent(Utf8Path(a), Utf8Path(b), error);
}

TEST(SystemFileDialogs, TheUserTypesANameAndWindowsAsksItsOwnQuestions) {
    testing::TempDir dir;
    const std::string folder = dir.Path() + "/地点データ";
    std::filesystem::create_directory(Utf8Path(folder));
    const std::string existing = folder + "/地点.csv";
    std::ofstream(Utf8Path(existing)) << "old";
    const std::string missingFolder = dir.Path() + "/無いフォルダー/地点.csv";
    struct Case {
        const char* what;
        bool save;
        std::string typed;
        std::vector<int> answers;
        FileDialogResult result;
    };
    for (const Case& c : {
             Case{"open a file", false, existing, {}, FileDialogResult::Chosen},
             Case{"open a name without a file",
                  false,
                  folder + "/無い.csv",
                  {},
                  FileDialogResult::Chosen},
             Case{"open in a missing folder",
                  false,
                  missingFolder,
                  {IDOK},
                  FileDialogResult::Cancelled},
             Case{"save a new file", true, folder + "/新しい.csv", {}, FileDialogResult::Chosen},
             Case{"keep an existing file", true, existing, {IDNO}, FileDialogResult::Cancelled},
             Case{"replace an existing file", true, existing, {IDYES}, FileDialogResult::Chosen},
             Case{"save in a missing folder",
                  true,
                  missingFolder,
                  {IDOK},
                  FileDialogResult::Cancelled},
         }) {
        FileDialogRequest request;
        request.save = c.save;
        request.title = c.save ? "" : "開く";
        request.filters = {{"CSV Files(*.csv)", "*.csv"}, {"All File(*.*)", "*.*"}};
        request.fileName = c.save ? "20240102_030405_MARK.csv" : "";
        request.folder = folder;
        Opened seen;
        std::thread user(User, c.typed, c.answers, c.result == FileDialogResult::Cancelled,
                         std::ref(seen));
        std::string chosen;
        const FileDialogResult result = RunSystemFileDialog(request, &chosen);
        user.join();

        EXPECT_EQ(result, c.result) << c.what;
        if (c.result == FileDialogResult::Chosen) {
            EXPECT_TRUE(SameFile(chosen, c.typed) ||
                        (!std::filesystem::exists(Utf8Path(c.typed)) &&
                         chosen.ends_with(c.typed.substr(c.typed.rfind('/') + 1))))
                << c.what << ": " << chosen;
        }
        // Windows' own title for saving; the page's for opening.
        if (c.save) {
            EXPECT_FALSE(seen.title.empty()) << c.what;
            EXPECT_NE(seen.title, "開く") << c.what;
        } else {
            EXPECT_EQ(seen.title, "開く") << c.what;
        }
        EXPECT_EQ(seen.filters, (std::vector<std::string>{"CSV Files(*.csv)", "All File(*.*)"}))
            << c.what;
        EXPECT_TRUE(SameFile(seen.folder, folder)) << c.what << ": " << seen.folder;
        ASSERT_EQ(seen.boxes.size(), c.answers.size()) << c.what;
        for (const std::string& text : seen.boxes)
            EXPECT_FALSE(text.empty()) << c.what;
        EXPECT_EQ(testing::ReadAll(Utf8Path(existing)), "old") << c.what;
    }
}

TEST(SystemFileDialogs, StartInTheDocumentsFolderUntilAFolderIsChosen) {
    const std::string documents = DefaultDialogFolder();
    ASSERT_FALSE(documents.empty());
    EXPECT_TRUE(std::filesystem::is_directory(Utf8Path(documents))) << documents;
    // Not the program's own folder, where a Start-menu shortcut starts it.
    wchar_t program[MAX_PATH * 4] = {};
    GetModuleFileNameW(nullptr, program, DWORD(std::size(program)));
    EXPECT_FALSE(
        SameFile(documents, win::Utf8(std::filesystem::path(program).parent_path().native())));
    EXPECT_TRUE(HasSystemFileDialogs());
}

}  // namespace
}  // namespace veldrant::platform
