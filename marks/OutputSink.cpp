#include "marks/OutputSink.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstring>

namespace veldrant::marks {

bool MemorySink::Write(std::string_view bytes) {
    if (!open_)
        return false;
    data_.append(bytes);
    return true;
}

bool MemorySink::Close() {
    open_ = false;
    return true;
}

std::unique_ptr<FileSink> FileSink::Create(const std::string& path, std::string* error) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (error)
            *error = path + ": " + std::strerror(errno);
        return nullptr;
    }
    return std::unique_ptr<FileSink>(new FileSink(fd, path));
}

FileSink::~FileSink() {
    Close();
}

void FileSink::Fail(int err) {
    if (error_.empty())
        error_ = path_ + ": " + std::strerror(err);
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    buffer_.clear();
}

bool FileSink::Write(std::string_view bytes) {
    if (fd_ < 0)
        return false;
    buffer_.append(bytes);
    if (buffer_.size() >= kBufferSize)
        return Flush();
    return true;
}

bool FileSink::Flush() {
    if (fd_ < 0)
        return false;
    const char* p = buffer_.data();
    size_t left = buffer_.size();
    while (left > 0) {
        ssize_t n = ::write(fd_, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            Fail(errno);
            return false;
        }
        if (n == 0) {
            Fail(ENOSPC);
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    buffer_.clear();
    return true;
}

bool FileSink::Close() {
    if (fd_ < 0)
        return error_.empty();
    bool ok = Flush();
    if (!ok)
        return false;
    // close() is where some file systems report a failed write-back.
    if (::close(fd_) != 0 && errno != EINTR) {
        int err = errno;
        fd_ = -1;
        if (error_.empty())
            error_ = path_ + ": " + std::strerror(err);
        return false;
    }
    fd_ = -1;
    return true;
}

}  // namespace veldrant::marks
