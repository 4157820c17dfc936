#include "platform/linux/SimDevice.h"

#include <sys/socket.h>

#include <cerrno>

namespace veldrant::platform::linux_fd {

namespace {
// How long a simulated device may take to connect and greet.
constexpr std::chrono::milliseconds kGreetTimeout{1000};

IoResult ResultForErrno(int err) {
    switch (err) {
        case EPIPE:
        case ECONNRESET:
        case ENOTCONN:
        case EBADF:
            return IoResult::Gone;
        default:
            return IoResult::Error;
    }
}
}  // namespace

SimDevice::SimDevice(Fd socket, const SimHello& hello)
    : socket_(std::move(socket)), hello_(hello) {}

void SimDevice::Cancel() {
    cancelled_.store(true);
    cancel_.Signal();
}

IoResult SimDevice::Write(const uint8_t* data, size_t len, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (cancelled_.load())
            return IoResult::Gone;
        ssize_t n = send(socket_.Get(), data, len, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n == ssize_t(len))
            return IoResult::Ok;
        if (n >= 0)
            return IoResult::Error;  // a packet socket never sends part of a packet
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN)
            return ResultForErrno(errno);
        switch (WaitFd(socket_.Get(), POLLOUT, cancel_, Remaining(deadline))) {
            case WaitResult::Ready:
                continue;
            case WaitResult::Timeout:
                return IoResult::Timeout;
            case WaitResult::Cancelled:
            case WaitResult::Hangup:
                return IoResult::Gone;
            case WaitResult::Error:
                return IoResult::Error;
        }
    }
}

IoResult SimDevice::Read(uint8_t* buf, size_t len, size_t* got, std::chrono::milliseconds timeout) {
    *got = 0;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    bool wait = timeout.count() > 0;  // a reply is rarely there yet: wait first, then read
    for (;;) {
        if (cancelled_.load())
            return IoResult::Gone;
        if (wait) {
            switch (WaitFd(socket_.Get(), POLLIN, cancel_, Remaining(deadline))) {
                case WaitResult::Ready:
                case WaitResult::Hangup:  // the read below tells a closed peer
                    break;
                case WaitResult::Timeout:
                    return IoResult::Timeout;
                case WaitResult::Cancelled:
                    return IoResult::Gone;
                case WaitResult::Error:
                    return IoResult::Error;
            }
        }
        ssize_t n = recv(socket_.Get(), buf, len, MSG_DONTWAIT | MSG_TRUNC);
        if (n > 0) {
            *got = size_t(n);
            return IoResult::Ok;
        }
        if (n == 0)
            return IoResult::Gone;  // the device closed the connection: unplugged
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN)
            return ResultForErrno(errno);
        if (!wait || Remaining(deadline).count() == 0)
            return IoResult::Timeout;
    }
}

std::optional<SimHello> ConnectAndGreet(const std::string& path, Fd* socket, OpenError* error) {
    auto fail = [error](OpenError e) -> std::optional<SimHello> {
        if (error)
            *error = e;
        return std::nullopt;
    };
    Fd fd(ConnectSeqpacket(path, kGreetTimeout, error));
    if (!fd)
        return std::nullopt;
    CancelEvent never;
    if (WaitFd(fd.Get(), POLLIN, never, kGreetTimeout) != WaitResult::Ready) {
        return fail(OpenError::Other);
    }
    uint8_t packet[kSimHelloSize + 1];
    ssize_t n = recv(fd.Get(), packet, sizeof(packet), MSG_DONTWAIT | MSG_TRUNC);
    if (n < 0)
        return fail(OpenError::Other);
    std::optional<SimHello> hello = DecodeSimHello(packet, size_t(n));
    if (!hello)
        return fail(OpenError::NotHid);
    if (error)
        *error = OpenError::None;
    if (socket)
        *socket = std::move(fd);
    return hello;
}

}  // namespace veldrant::platform::linux_fd
