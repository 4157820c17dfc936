// Unix-domain SOCK_SEQPACKET sockets for the simulated interfaces.
#pragma once

#include <sys/socket.h>
#include <sys/un.h>

#include <chrono>
#include <string>

#include "platform/HidTransport.h"

namespace veldrant::platform::linux_fd {

// Fills `addr` for `path`; false when the path does not fit sun_path.
bool MakeUnixAddress(const std::string& path, sockaddr_un& addr);

// A non-blocking, close-on-exec SOCK_SEQPACKET socket connected to `path`, or -1 with the
// reason in *error.
int ConnectSeqpacket(const std::string& path, std::chrono::milliseconds timeout, OpenError* error);

// Owns one file descriptor.
class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { Reset(); }
    Fd(Fd&& other) noexcept : fd_(other.Release()) {}
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) {
            Reset();
            fd_ = other.Release();
        }
        return *this;
    }
    int Get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    int Release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void Reset(int fd = -1);

private:
    int fd_ = -1;
};

}  // namespace veldrant::platform::linux_fd
