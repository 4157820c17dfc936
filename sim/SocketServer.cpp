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

struct SocketServer::Connection {
    Fd socket;
    std::thread thread;
    std::atomic<bool> done{false};
};

// One plugged-in period: the listening socket, the connections and the stop event.
struct SocketServer::Loop {
    Fd listener;
    std::vector<std::unique_ptr<Connection>> connections;
    CancelEvent stop;
    std::atomic<bool> pulled{false};  // the watch pulled itself out (Action::Unplug)
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
    // Private to its user: whoever can connect can drive the watch.
    if (std::filesystem::create_directories(dir, ec)) {
        std::filesystem::permissions(dir, std::filesystem::perms::owner_all, ec);
    }
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
    // Connections that the host closed are done: let their threads go.
    std::erase_if(l.connections, [](const std::unique_ptr<Connection>& c) {
        if (!c->done.load())
            return false;
        c->thread.join();
        return true;
    });
    Fd fd(accept4(l.listener.Get(), nullptr, nullptr, SOCK_CLOEXEC));  // blocking: see below
    if (!fd)
        return;
    if (send(fd.Get(), l.hello.data(), l.hello.size(), MSG_NOSIGNAL) != ssize_t(l.hello.size())) {
        return;
    }
    ++accepted_;
    auto c = std::make_unique<Connection>();
    c->socket = std::move(fd);
    Connection* raw = c.get();
    c->thread = std::thread([this, &l, raw] { ServeConnection(l, *raw); });
    l.connections.push_back(std::move(c));
}

void SocketServer::ServeConnection(Loop& l, Connection& c) {
    std::vector<uint8_t> in(l.maxReport), out;
    for (;;) {
        ssize_t n = recv(c.socket.Get(), in.data(), in.size(), MSG_TRUNC);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;  // the host closed its end, or the watch is being unplugged
        // A packet longer than the buffer arrives cut but with its real length: the watch then
        // refuses it for its length.
        Action action = watch_->Process(in.data(), size_t(n), out);
        if (action == Action::Reply)
            send(c.socket.Get(), out.data(), out.size(), MSG_NOSIGNAL);
        if (action == Action::Unplug) {
            l.pulled.store(true);
            l.stop.Signal();
            break;
        }
    }
    c.done.store(true);
}

void SocketServer::Serve(Loop& l) {
    for (;;) {
        pollfd fds[2] = {{l.stop.Fd(), POLLIN, 0}, {l.listener.Get(), POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[0].revents)
            break;
        if (fds[1].revents & POLLIN)
            AcceptOne(l);
    }
    // Unplugged: first the socket file goes, then every connection. The watch counts as
    // unplugged from the moment its file is gone, before any host can see a connection drop.
    unlink(path_.c_str());
    plugged_.store(false);
    l.listener.Reset();
    for (auto& c : l.connections)
        shutdown(c->socket.Get(), SHUT_RDWR);
    for (auto& c : l.connections)
        c->thread.join();
    l.connections.clear();
    if (l.pulled.load() && l.onSelfUnplug)
        l.onSelfUnplug();
}

}  // namespace veldrant::sim
