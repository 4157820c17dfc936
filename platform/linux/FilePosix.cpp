// Files through POSIX descriptors; paths are bytes, so UTF-8 passes as it is.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "platform/File.h"

namespace veldrant::platform {

namespace {
int Fd(intptr_t handle) {
    return static_cast<int>(handle);
}
}  // namespace

std::FILE* OpenStdFile(const std::string& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}

void BinaryStdout() {}

bool NoRoomError(int systemError) {
    return systemError == ENOSPC || systemError == EDQUOT || systemError == EFBIG;
}

std::optional<FileIdentity> IdentifyFile(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return FileIdentity{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

FileOpen CInputFile::Open(const std::string& path) {
    Close();
    // O_NONBLOCK keeps a FIFO from holding the caller until some writer appears; such files are
    // refused below anyway, as are directories, which Linux would let us open.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return FileOpen::CannotOpen;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && !S_ISREG(st.st_mode)) {
        ::close(fd);
        return FileOpen::NotRegular;
    }
    handle_ = fd;
    return FileOpen::Ok;
}

std::optional<uint64_t> CInputFile::Size() const {
    struct stat st {};
    if (!IsOpen() || ::fstat(Fd(handle_), &st) != 0 || st.st_size < 0)
        return std::nullopt;
    return static_cast<uint64_t>(st.st_size);
}

bool CInputFile::ReadAt(uint64_t offset, uint8_t* buffer, size_t len) {
    size_t done = 0;
    while (IsOpen() && done < len) {
        ssize_t got =
            ::pread(Fd(handle_), buffer + done, len - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)  // an error, or the file shrank since it was sized
            return false;
        done += static_cast<size_t>(got);
    }
    return done == len;
}

void CInputFile::Close() {
    if (IsOpen())
        ::close(Fd(handle_));
    handle_ = kClosed;
}

bool COutputFile::Create(const std::string& path, std::string* error) {
    Close(nullptr);
    path_ = path;
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (error)
            *error = path + ": " + std::strerror(errno);
        return false;
    }
    handle_ = fd;
    return true;
}

bool COutputFile::Write(const void* data, size_t len, std::string* error) {
    const char* p = static_cast<const char*>(data);
    while (len > 0) {
        if (!IsOpen())
            return false;
        ssize_t n = ::write(Fd(handle_), p, len);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (error)
                *error = path_ + ": " + std::strerror(n < 0 ? errno : ENOSPC);
            return false;
        }
        p += n;
        len -= static_cast<size_t>(n);
    }
    return true;
}

bool COutputFile::Close(std::string* error) {
    if (!IsOpen())
        return true;
    int fd = Fd(handle_);
    handle_ = kClosed;
    // close() is where some file systems report a failed write-back.
    if (::close(fd) != 0 && errno != EINTR) {
        if (error)
            *error = path_ + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace veldrant::platform
