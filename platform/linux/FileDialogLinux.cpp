#include "platform/FileDialog.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace veldrant::platform {

bool HasSystemFileDialogs() {
    return false;
}

FileDialogResult RunSystemFileDialog(const FileDialogRequest&, std::string*) {
    return FileDialogResult::NotAvailable;
}

std::string DefaultDialogFolder() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    // A session without $HOME (started by a service): the account's own folder.
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return "/";
}

}  // namespace veldrant::platform
