#include "platform/FileDialog.h"

#include <windows.h>
// After windows.h:
#include <commdlg.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <algorithm>
#include <vector>

#include "platform/windows/WinText.h"

namespace veldrant::platform {

namespace {

// Room for the longest path Windows takes, not only MAX_PATH.
constexpr size_t kPathChars = 32768;

std::wstring FilterList(const std::vector<FileFilter>& filters) {
    // Pairs of text and patterns, each ending in a NUL, the list in a second one.
    std::wstring list;
    for (const FileFilter& f : filters) {
        list += win::Wide(f.text);
        list.push_back(L'\0');
        list += win::Wide(f.patterns);
        list.push_back(L'\0');
    }
    list.push_back(L'\0');
    return list;
}

std::wstring NativeFolder(const std::string& folder) {
    std::wstring wide = win::Wide(folder);
    std::replace(wide.begin(), wide.end(), L'/', L'\\');
    return wide;
}

}  // namespace

bool HasSystemFileDialogs() {
    return true;
}

FileDialogResult RunSystemFileDialog(const FileDialogRequest& request, std::string* path) {
    const std::wstring filters = FilterList(request.filters);
    const std::wstring title = win::Wide(request.title);
    const std::wstring folder = NativeFolder(request.folder);
    std::vector<wchar_t> file(kPathChars, L'\0');
    const std::wstring name = win::Wide(request.fileName);
    std::copy_n(name.begin(), std::min(name.size(), file.size() - 1), file.begin());

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = reinterpret_cast<HWND>(request.owner);
    ofn.lpstrFilter = request.filters.empty() ? nullptr : filters.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
    // Windows asks its own questions: the folder of a typed name must exist, and a save
    // replaces a file only when the user says so.
    ofn.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | (request.save ? OFN_OVERWRITEPROMPT : 0);
    const BOOL chosen = request.save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
    if (!chosen)
        return CommDlgExtendedError() == 0 ? FileDialogResult::Cancelled : FileDialogResult::Failed;
    if (path)
        *path = win::Utf8(file.data());
    return FileDialogResult::Chosen;
}

std::string DefaultDialogFolder() {
    PWSTR documents = nullptr;
    std::string folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Documents, 0, nullptr, &documents)))
        folder = win::Utf8(documents);
    CoTaskMemFree(documents);
    return folder;
}

}  // namespace veldrant::platform
