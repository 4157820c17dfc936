#include "platform/linux/UnixSocket.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace veldrant::platform::linux_fd {

void Fd::Reset(int fd) {
    if (fd_ >= 0)
        close(fd_);
    fd_ = fd;
}

bool MakeUnixAddress(const std::string& path, sockaddr_un& addr) {
    std::memset(&addr, 0, sizeof(addr));
    addr.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(addr.sun_path))
        return false;
    std::memcpy(addr.sun_path, path.data(), path.size());
    return true;
}

namespace {
OpenError ErrorFor(int err) {
    switch (err) {
        case ENOENT:
        case ECONNREFUSED:  // a socket file left behind with nobody listening
        case ENOTDIR:
            return OpenError::NotFound;
        case EACCES:
        case EPERM:
            return OpenError::PermissionDenied;
        case ENOTSOCK:
        case EPROTOTYPE:
            return OpenError::NotHid;
        default:
            return OpenError::Other;
    }
}
}  // namespace

int ConnectSeqpacket(const std::string& path, std::chrono::milliseconds timeout, OpenError* error) {
    auto fail = [error](OpenError e) {
        if (error)
            *error = e;
        return -1;
    };
    sockaddr_un addr;
    if (!MakeUnixAddress(path, addr))
        return fail(OpenError::Other);
    Fd fd(socket(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd)
        return fail(OpenError::Other);
    // A Unix socket connects at once or not at all; EAGAIN means the listener's backlog is
    // full, so try again a little later until the time-out.
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (connect(fd.Get(), reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN || std::chrono::steady_clock::now() >= deadline) {
            return fail(ErrorFor(errno));
        }
        usleep(2000);
    }
    if (error)
        *error = OpenError::None;
    return fd.Release();
}

}  // namespace veldrant::platform::linux_fd
