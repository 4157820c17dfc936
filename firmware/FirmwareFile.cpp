#include "firmware/FirmwareFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

#include "firmware/FirmwareImage.h"
#include "ops/OperationHost.h"

namespace veldrant::firmware {

LoadMessage MessageFor(LoadOutcome outcome) {
    switch (outcome) {
        case LoadOutcome::Ok:
            return {};
        case LoadOutcome::CannotOpen:
            return {kTextCannotOpen, ops::kCaptionError};
        case LoadOutcome::NoLength:
            return {kTextNoLength, ops::kCaptionError};
        case LoadOutcome::ReadFailed:
            return {kTextReadFailed, kCaptionOpenFile};
        case LoadOutcome::Incorrect:
            return {kTextIncorrect, kCaptionOpenFile};
    }
    return {};
}

CFirmwareFile::~CFirmwareFile() {
    Close();
}

void CFirmwareFile::Close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

LoadOutcome CFirmwareFile::Open(const std::string& path) {
    Close();
    image_.clear();
    length_ = 0;
    if (path.empty())
        return LoadOutcome::CannotOpen;
    // O_NONBLOCK keeps a FIFO from holding the worker until some writer appears; such files are
    // refused below anyway, as are directories, which Linux would let us open.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return LoadOutcome::CannotOpen;
    fd_ = fd;
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        return LoadOutcome::NoLength;
    if (!S_ISREG(st.st_mode)) {
        Close();
        return LoadOutcome::CannotOpen;
    }
    // The image's length is a 32-bit count everywhere downstream (the start request carries
    // it); 0xFFFFFFFF is the failure value of the size query, so it is refused as well.
    if (st.st_size < 0 || static_cast<uint64_t>(st.st_size) >= 0xFFFFFFFFull) {
        return LoadOutcome::NoLength;
    }
    length_ = static_cast<uint32_t>(st.st_size);
    return LoadOutcome::Ok;
}

LoadOutcome CFirmwareFile::Read() {
    if (fd_ < 0)
        return LoadOutcome::ReadFailed;
    try {
        image_.assign(length_, 0);
    } catch (const std::bad_alloc&) {
        image_.clear();
        return LoadOutcome::ReadFailed;
    }
    size_t done = 0;
    while (done < length_) {
        ssize_t got = ::pread(fd_, image_.data() + done, length_ - done, static_cast<off_t>(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {  // an error, or the file shrank since it was sized
            image_.clear();
            return LoadOutcome::ReadFailed;
        }
        done += static_cast<size_t>(got);
    }
    return LoadOutcome::Ok;
}

LoadOutcome CFirmwareFile::ReadAndCheck(std::string_view identityName) {
    LoadOutcome read = Read();
    if (read != LoadOutcome::Ok)
        return read;
    if (!CheckFirmwareImage(identityName, image_.data(), length_))
        return LoadOutcome::Incorrect;
    return LoadOutcome::Ok;
}

}  // namespace veldrant::firmware
