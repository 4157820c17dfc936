// Files named by UTF-8 paths. Every path a user gives enters here (or through Utf8Path), so that
// a folder named in Japanese works wherever the platform's narrow file API would not take it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace veldrant::platform {

// A UTF-8 path as a std::filesystem::path, and back: the same on every platform (a plain
// std::string would be read in the system's ANSI code page on Windows).
inline std::filesystem::path Utf8Path(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
inline std::string PathUtf8(const std::filesystem::path& path) {
    std::u8string s = path.u8string();
    return std::string(s.begin(), s.end());
}

// True when a system error code (errno on Linux, GetLastError on Windows) says a file could not
// grow: the disk is full, or a quota or a file size limit is reached.
bool NoRoomError(int systemError);

// std::fopen for a UTF-8 path.
std::FILE* OpenStdFile(const std::string& path, const char* mode);

// Makes standard output take bytes as they are, for a document written there whole: Windows
// would otherwise write each line feed as CR LF.
void BinaryStdout();

// What tells one file from every other on the machine, whatever name leads to it: the device
// and inode on Linux, the volume serial number and file index on Windows. Two names (a link, a
// path with "..", another spelling of the same folder) give the same identity.
struct FileIdentity {
    uint64_t volume = 0;
    uint64_t file = 0;
    bool operator==(const FileIdentity&) const = default;
};
// nullopt when nothing can be found at `path` (links are followed).
std::optional<FileIdentity> IdentifyFile(const std::string& path);
// True when both paths lead to one existing file.
inline bool SameFile(const std::string& a, const std::string& b) {
    std::optional<FileIdentity> x = IdentifyFile(a);
    std::optional<FileIdentity> y = x ? IdentifyFile(b) : std::nullopt;
    return x && y && *x == *y;
}

enum class FileOpen { Ok, CannotOpen, NotRegular };

// A file opened for reading. Only regular files are taken: a directory, a pipe or a device
// is refused before anything waits on it.
class CInputFile {
public:
    CInputFile() = default;
    ~CInputFile() { Close(); }
    CInputFile(const CInputFile&) = delete;
    CInputFile& operator=(const CInputFile&) = delete;

    FileOpen Open(const std::string& path);
    bool IsOpen() const { return handle_ != kClosed; }
    // nullopt when the size cannot be read.
    std::optional<uint64_t> Size() const;
    // Reads exactly `len` bytes from `offset`; false on an error or when the file is shorter.
    bool ReadAt(uint64_t offset, uint8_t* buffer, size_t len);
    void Close();

private:
    static constexpr intptr_t kClosed = -1;
    intptr_t handle_ = kClosed;
};

// A file created (or emptied) for writing. Failures come as "<path>: <reason>", the reason in
// the C library's words (strerror), so that both platforms say the same.
class COutputFile {
public:
    COutputFile() = default;
    ~COutputFile() { Close(nullptr); }
    COutputFile(const COutputFile&) = delete;
    COutputFile& operator=(const COutputFile&) = delete;

    bool Create(const std::string& path, std::string* error);
    bool IsOpen() const { return handle_ != kClosed; }
    // Writes all of `data`; on failure the file stays open for Close to end it.
    bool Write(const void* data, size_t len, std::string* error);
    // Closes the file; false when the system reported a failed write on closing.
    bool Close(std::string* error);

private:
    static constexpr intptr_t kClosed = -1;
    intptr_t handle_ = kClosed;
    std::string path_;
};

}  // namespace veldrant::platform
