#include "platform/linux/SimDevice.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <algorithm>

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

// The connection blocks: a read waits in recv itself (with SO_RCVTIMEO as its deadline), so
// a reply is taken the moment it lands, with no poll in between. Everything else passes
// MSG_DONTWAIT.
SimDevice::SimDevice(Fd socket, const SimHello& hello) : socket_(std::move(socket)), hello_(hello) {
    int flags = fcntl(socket_.Get(), F_GETFL);
    if (flags >= 0)
        fcntl(socket_.Get(), F_SETFL, flags & ~O_NONBLOCK);
}

// Shutting the socket down wakes a recv or send blocked on it at once; the descriptor itself
// stays open until the device is destroyed, so no other thread can find it reused.
void SimDevice::Cancel() {
    cancelled_.store(true);
    cancel_.Signal();
    shutdown(socket_.Get(), SHUT_RDWR);
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

bool SimDevice::SetReceiveTimeout(std::chrono::milliseconds timeout) {
    if (timeout == receiveTimeout_)
        return true;
    // A zero timeval would mean "wait for ever".
    auto t = std::max(timeout, std::chrono::milliseconds(1));
    timeval tv{time_t(t.count() / 1000), suseconds_t(t.count() % 1000 * 1000)};
    if (setsockopt(socket_.Get(), SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof(tv)) != 0)
        return false;
    receiveTimeout_ = timeout;
    return true;
}

IoResult SimDevice::Read(uint8_t* buf, size_t len, size_t* got, std::chrono::milliseconds timeout) {
    *got = 0;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    const bool wait = timeout.count() > 0;
    for (;;) {
        if (cancelled_.load())
            return IoResult::Gone;
        if (wait && !SetReceiveTimeout(Remaining(deadline)))
            return IoResult::Error;
        ssize_t n = recv(socket_.Get(), buf, len, MSG_TRUNC | (wait ? 0 : MSG_DONTWAIT));
        if (n > 0) {
            *got = size_t(n);
            return IoResult::Ok;
        }
        if (n == 0)  // the device closed the connection (unplugged), or Cancel shut it down
            return IoResult::Gone;
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
