// The system's own file dialogs, where the system has them: on Windows its common dialogs, in
// the user's language with their folders and places, asking their own questions before a file
// is replaced and when a typed name lies in a folder that does not exist. Linux has none of its
// own here (the window shows Qt's).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace veldrant::platform {

struct FileFilter {
    std::string text;      // what the list shows, e.g. "CSV Files(*.csv)"
    std::string patterns;  // what it matches, e.g. "*.csv" (several separated by ';')
};

struct FileDialogRequest {
    std::uintptr_t owner = 0;  // the owning top-level window's native handle; 0 for none
    bool save = false;
    std::string title;                // UTF-8; empty: the system's own title
    std::vector<FileFilter> filters;  // the first one is selected
    std::string fileName;             // the name offered in the name box
    std::string folder;               // where the dialog starts (UTF-8); empty: the system's
};

enum class FileDialogResult {
    Chosen,
    Cancelled,
    Failed,        // the dialog could not be shown
    NotAvailable,  // the system has no file dialog of its own
};

// True where RunSystemFileDialog shows a dialog.
bool HasSystemFileDialogs();

// Shows the dialog modally over `owner` and returns when the user has answered. A save dialog
// asks before replacing a file; both dialogs refuse a name in a folder that does not exist, and
// an open dialog hands on a name in an existing folder even when no such file exists. With
// Chosen, *path holds the chosen file as UTF-8.
FileDialogResult RunSystemFileDialog(const FileDialogRequest& request, std::string* path);

// Where a file dialog starts when the user has not chosen a folder yet: the user's Documents
// folder on Windows (where Windows' own dialogs start), the home folder on Linux.
std::string DefaultDialogFolder();

}  // namespace veldrant::platform
