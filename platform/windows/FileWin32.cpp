// Files through CreateFileW: the UTF-8 path is turned into UTF-16, so any folder name works.
#include <fcntl.h>
#include <io.h>

#include <algorithm>

#include "platform/File.h"
#include "platform/windows/WinText.h"

namespace veldrant::platform {

namespace {
HANDLE H(intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}
intptr_t Id(HANDLE h) {
    return reinterpret_cast<intptr_t>(h);
}
}  // namespace

std::FILE* OpenStdFile(const std::string& path, const char* mode) {
    return _wfopen(win::Wide(path).c_str(), win::Wide(mode).c_str());
}

void BinaryStdout() {
    std::fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
}

bool NoRoomError(int systemError) {
    return systemError == ERROR_DISK_FULL || systemError == ERROR_HANDLE_DISK_FULL ||
           systemError == ERROR_FILE_TOO_LARGE;
}

std::optional<FileIdentity> IdentifyFile(const std::string& path) {
    if (path.empty())
        return std::nullopt;
    // No access rights asked for: a file another program holds, or one without read rights,
    // still answers; FILE_FLAG_BACKUP_SEMANTICS lets folders answer too.
    win::Handle h(CreateFileW(win::Wide(path).c_str(), 0,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!h || !GetFileInformationByHandle(h.Get(), &info))
        return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber,
                        (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

FileOpen CInputFile::Open(const std::string& path) {
    Close();
    // Directories cannot be opened without FILE_FLAG_BACKUP_SEMANTICS; pipes and devices are
    // refused by their type below.
    HANDLE h = CreateFileW(win::Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return FileOpen::CannotOpen;
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        return FileOpen::NotRegular;
    }
    handle_ = Id(h);
    return FileOpen::Ok;
}

std::optional<uint64_t> CInputFile::Size() const {
    LARGE_INTEGER size;
    if (!IsOpen() || !GetFileSizeEx(H(handle_), &size) || size.QuadPart < 0)
        return std::nullopt;
    return static_cast<uint64_t>(size.QuadPart);
}

bool CInputFile::ReadAt(uint64_t offset, uint8_t* buffer, size_t len) {
    size_t done = 0;
    while (IsOpen() && done < len) {
        OVERLAPPED at{};
        uint64_t pos = offset + done;
        at.Offset = DWORD(pos);
        at.OffsetHigh = DWORD(pos >> 32);
        DWORD chunk = DWORD(std::min<size_t>(len - done, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(H(handle_), buffer + done, chunk, &got, &at) || got == 0)
            return false;  // an error, or the file shrank since it was sized
        done += got;
    }
    return done == len;
}

void CInputFile::Close() {
    if (IsOpen())
        CloseHandle(H(handle_));
    handle_ = kClosed;
}

bool COutputFile::Create(const std::string& path, std::string* error) {
    Close(nullptr);
    path_ = path;
    HANDLE h = CreateFileW(win::Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        if (error)
            *error = path + ": " + win::ErrorText(GetLastError());
        return false;
    }
    handle_ = Id(h);
    return true;
}

bool COutputFile::Write(const void* data, size_t len, std::string* error) {
    const char* p = static_cast<const char*>(data);
    while (len > 0) {
        if (!IsOpen())
            return false;
        DWORD chunk = DWORD(std::min<size_t>(len, 1u << 30));
        DWORD wrote = 0;
        if (!WriteFile(H(handle_), p, chunk, &wrote, nullptr) || wrote == 0) {
            DWORD err =
                wrote == 0 && GetLastError() == ERROR_SUCCESS ? ERROR_DISK_FULL : GetLastError();
            if (error)
                *error = path_ + ": " + win::ErrorText(err);
            return false;
        }
        p += wrote;
        len -= wrote;
    }
    return true;
}

bool COutputFile::Close(std::string* error) {
    if (!IsOpen())
        return true;
    HANDLE h = H(handle_);
    handle_ = kClosed;
    if (!CloseHandle(h)) {
        if (error)
            *error = path_ + ": " + win::ErrorText(GetLastError());
        return false;
    }
    return true;
}

}  // namespace veldrant::platform
