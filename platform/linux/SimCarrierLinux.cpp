// The simulated-interface carrier on Linux: a listening Unix-domain SOCK_SEQPACKET socket,
// bound under a hidden name and renamed into place once it listens, so that the socket file
// appears only when it can be connected to. Withdrawing removes the file.
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <mutex>

#include "platform/SimCarrier.h"
#include "platform/linux/FdWait.h"
#include "platform/linux/UnixSocket.h"

namespace veldrant::platform {

namespace {

using linux_fd::CancelEvent;
using linux_fd::Fd;

class SocketConnection : public ISimConnection {
public:
    explicit SocketConnection(Fd fd) : fd_(std::move(fd)) {}

    std::optional<size_t> Receive(std::span<uint8_t> buffer) override {
        for (;;) {
            ssize_t n = recv(fd_.Get(), buffer.data(), buffer.size(), MSG_TRUNC);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return std::nullopt;  // the host closed its end, or Shutdown ran
            return size_t(n);
        }
    }

    bool Send(const uint8_t* data, size_t len) override {
        return send(fd_.Get(), data, len, MSG_NOSIGNAL) == ssize_t(len);
    }

    // Shutting the socket down wakes a blocked recv at once; the descriptor stays open until
    // the connection is destroyed, so no other thread can find it reused.
    void Shutdown() override { shutdown(fd_.Get(), SHUT_RDWR); }

private:
    Fd fd_;
};

class SocketListener : public ISimListener {
public:
    SocketListener(Fd listener, std::string path)
        : listener_(std::move(listener)), path_(std::move(path)) {}
    ~SocketListener() override { Withdraw(); }

    std::unique_ptr<ISimConnection> Accept() override {
        for (;;) {
            pollfd fds[2] = {{stop_.Fd(), POLLIN, 0}, {listener_.Get(), POLLIN, 0}};
            if (poll(fds, 2, -1) < 0) {
                if (errno == EINTR)
                    continue;
                return nullptr;
            }
            if (fds[0].revents)
                return nullptr;
            if (!(fds[1].revents & POLLIN))
                continue;
            Fd fd(accept4(listener_.Get(), nullptr, nullptr, SOCK_CLOEXEC));
            if (fd)
                return std::make_unique<SocketConnection>(std::move(fd));
        }
    }

    void Withdraw() override {
        std::lock_guard lock(mutex_);
        if (withdrawn_)
            return;
        withdrawn_ = true;
        unlink(path_.c_str());
        stop_.Signal();
    }

private:
    Fd listener_;
    std::string path_;
    CancelEvent stop_;
    std::mutex mutex_;
    bool withdrawn_ = false;
};

bool Fail(std::string* error, const std::string& text) {
    if (error)
        *error = text;
    return false;
}

}  // namespace

std::unique_ptr<ISimListener> ListenSim(const std::string& path, std::string* error) {
    std::filesystem::path p(path);
    std::string dir = p.parent_path().string();
    std::string name = p.filename().string();
    std::error_code ec;
    // Private to its user: whoever can connect can drive the watch.
    if (std::filesystem::create_directories(dir, ec)) {
        std::filesystem::permissions(dir, std::filesystem::perms::owner_all, ec);
    }
    if (ec) {
        Fail(error, "cannot create " + dir + ": " + ec.message());
        return nullptr;
    }
    sockaddr_un addr;
    std::string temp = dir + "/." + name + "." + std::to_string(getpid());
    if (!linux_fd::MakeUnixAddress(temp, addr)) {
        Fail(error, "socket path too long: " + path);
        return nullptr;
    }
    OpenError busy;
    Fd probe(linux_fd::ConnectSeqpacket(path, std::chrono::milliseconds(100), &busy));
    if (probe) {
        Fail(error, path + " is served by another device already");
        return nullptr;
    }
    Fd listener(socket(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    unlink(temp.c_str());
    if (!listener || bind(listener.Get(), reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
        listen(listener.Get(), 16) != 0 || rename(temp.c_str(), path.c_str()) != 0) {
        std::string why = std::strerror(errno);
        unlink(temp.c_str());
        Fail(error, "cannot serve " + path + ": " + why);
        return nullptr;
    }
    return std::make_unique<SocketListener>(std::move(listener), path);
}

}  // namespace veldrant::platform
