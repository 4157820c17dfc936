// minizip with its Windows file functions for wide-character paths (iowin32.c): the UTF-8 path
// goes in as UTF-16.
#include <windows.h>

#include <minizip/unzip.h>
#include <minizip/zip.h>
// iowin32.h needs ioapi.h, which unzip.h brings.
#include <minizip/iowin32.h>

#include "platform/ZipFile.h"
#include "platform/windows/WinText.h"

namespace veldrant::platform {

void* OpenUnzipFile(const std::string& path) {
    zlib_filefunc64_def functions;
    fill_win32_filefunc64W(&functions);
    std::wstring wide = win::Wide(path);
    return unzOpen2_64(wide.c_str(), &functions);
}

void* CreateZipFile(const std::string& path) {
    zlib_filefunc64_def functions;
    fill_win32_filefunc64W(&functions);
    std::wstring wide = win::Wide(path);
    return zipOpen2_64(wide.c_str(), APPEND_STATUS_CREATE, nullptr, &functions);
}

}  // namespace veldrant::platform
