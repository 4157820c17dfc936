#include "sim/SocketServer.h"

#include <sys/socket.h>
#include <unistd.h>

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/SimProtocol.h"
#include "platform/linux/FdWait.h"
#include "platform/linux/UnixSocket.h"

namespace veldrant::sim {

using platform::linux_fd::CancelEvent;

// One plugged-in period: the listening socket, the connections and the stop event.
struct SocketServer::Loop {
    Fd listener;
    std::vector<Fd> connections;
    CancelEvent stop;
    std::array<uint8_t, platform::kSimHelloSize> hello{};
    size_t maxReport = 0;
    std::function<void()> onSelfUnplug;
};

namespace {

std::string ResolveDirectory(const std::string& dir) {
    std::string d = dir.empty() ? platform::SimDirectory() : dir;
    std::error_code ec;
    auto abs = std::filesystem::absolute(d, ec);
    return ec ? d : abs.lexically_normal().string();
}

bool Fail(std::string* error, const std::string& text) {
    if (error)
        *error = text;
    return false;
}

}  // namespace

SocketServer::SocketServer(std::shared_ptr<Watch> watch, ServerOptions options)
    : watch_(std::move(watch)), options_(std::move(options)) {
    path_ = ResolveDirectory(options_.directory) + "/" + options_.name + ".hid";
}

SocketServer::~SocketServer() {
    Unplug();
}

void SocketServer::OnSelfUnplug(std::function<void()> fn) {
    std::lock_guard lock(mutex_);
    onSelfUnplug_ = std::move(fn);
}

void SocketServer::Join() {
    if (!loop_)
        return;
    loop_->stop.Signal();
    if (thread_.joinable())
        thread_.join();
    loop_.reset();
}

void SocketServer::Unplug() {
    std::lock_guard lock(mutex_);
    Join();
}

bool SocketServer::Plug(std::string* error) {
    std::lock_guard lock(mutex_);
    Join();  // a watch that pulled itself out leaves its finished thread behind
    if (!platform::IsValidSimName(options_.name))
        return Fail(error, "invalid name: " + options_.name);
    std::string dir = ResolveDirectory(options_.directory);
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec)
        return Fail(error, "cannot create " + dir + ": " + ec.message());
    sockaddr_un addr;
    std::string temp = dir + "/." + options_.name + ".hid." + std::to_string(getpid());
    if (!platform::linux_fd::MakeUnixAddress(temp, addr)) {
        return Fail(error, "socket path too long: " + path_);
    }
    platform::OpenError busy;
    Fd probe(platform::linux_fd::ConnectSeqpacket(path_, std::chrono::milliseconds(100), &busy));
    if (probe)
        return Fail(error, path_ + " is served by another device already");

    auto loop = std::make_unique<Loop>();
    loop->listener.Reset(socket(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    unlink(temp.c_str());
    // Bound under a hidden name and renamed into place once listening, so that the socket
    // file appears only when it can be connected to.
    if (!loop->listener ||
        bind(loop->listener.Get(), reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
        listen(loop->listener.Get(), 16) != 0 || rename(temp.c_str(), path_.c_str()) != 0) {
        std::string why = std::strerror(errno);
        unlink(temp.c_str());
        return Fail(error, "cannot serve " + path_ + ": " + why);
    }
    platform::SimHello hello;
    platform::HidIds ids = options_.ids.value_or(watch_->Ids());
    hello.vendorId = ids.vendorId;
    hello.productId = ids.productId;
    hello.release = ids.release;
    hello.inputLength = options_.inputLength.value_or(uint16_t(watch_->ReportLength()));
    hello.outputLength = options_.outputLength.value_or(uint16_t(watch_->ReportLength()));
    loop->hello = platform::EncodeSimHello(hello);
    loop->maxReport = std::max<size_t>({hello.outputLength, watch_->ReportLength(), 1}) + 1;
    loop->onSelfUnplug = onSelfUnplug_;
    loop_ = std::move(loop);
    plugged_.store(true);
    thread_ = std::thread([this, l = loop_.get()] { Serve(*l); });
    return true;
}

void SocketServer::AcceptOne(Loop& l) {
    Fd c(accept4(l.listener.Get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
    if (!c)
        return;
    if (send(c.Get(), l.hello.data(), l.hello.size(), MSG_NOSIGNAL | MSG_DONTWAIT) !=
        ssize_t(l.hello.size())) {
        return;
    }
    ++accepted_;
    l.connections.push_back(std::move(c));
}

bool SocketServer::ServeOne(Fd& c, std::vector<uint8_t>& in, std::vector<uint8_t>& out) {
    ssize_t n = recv(c.Get(), in.data(), in.size(), MSG_DONTWAIT | MSG_TRUNC);
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return false;
    if (n <= 0) {
        c.Reset();  // the host closed its end
        return false;
    }
    // A packet longer than the buffer arrives cut but with its real length: the watch then
    // refuses it for its length.
    switch (watch_->Process(in.data(), size_t(n), out)) {
        case Action::Reply:
            send(c.Get(), out.data(), out.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            return false;
        case Action::Silent:
            return false;
        case Action::Unplug:
            return true;
    }
    return false;
}

void SocketServer::Serve(Loop& l) {
    std::vector<uint8_t> in(l.maxReport), out;
    std::vector<pollfd> fds;
    bool pulled = false;
    while (!pulled) {
        fds.clear();
        fds.push_back({l.stop.Fd(), POLLIN, 0});
        fds.push_back({l.listener.Get(), POLLIN, 0});
        for (const Fd& c : l.connections)
            fds.push_back({c.Get(), POLLIN, 0});
        if (poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[0].revents)
            break;
        size_t count = l.connections.size();
        for (size_t i = 0; i < count && !pulled; ++i) {
            if (fds[i + 2].revents)
                pulled = ServeOne(l.connections[i], in, out);
        }
        std::erase_if(l.connections, [](const Fd& c) { return !c; });
        if (fds[1].revents & POLLIN)
            AcceptOne(l);
    }
    // Unplugged: first the socket file goes, then every connection.
    unlink(path_.c_str());
    l.connections.clear();
    l.listener.Reset();
    plugged_.store(false);
    if (pulled && l.onSelfUnplug)
        l.onSelfUnplug();
}

}  // namespace veldrant::sim
