#include "sim/SocketServer.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <vector>

#include "platform/File.h"
#include "platform/SimCarrier.h"
#include "platform/SimProtocol.h"

namespace veldrant::sim {

struct SocketServer::Connection {
    std::unique_ptr<platform::ISimConnection> carrier;
    std::thread thread;
    std::atomic<bool> done{false};
};

// One plugged-in period: the listener and the connections.
struct SocketServer::Loop {
    std::unique_ptr<platform::ISimListener> listener;
    std::vector<std::unique_ptr<Connection>> connections;
    std::atomic<bool> pulled{false};  // the watch pulled itself out (Action::Unplug)
    std::array<uint8_t, platform::kSimHelloSize> hello{};
    size_t maxReport = 0;
    std::function<void()> onSelfUnplug;
};

namespace {

std::string ResolveDirectory(const std::string& dir) {
    std::string d = dir.empty() ? platform::SimDirectory() : dir;
    std::error_code ec;
    auto abs = std::filesystem::absolute(platform::Utf8Path(d), ec);
    return ec ? d : platform::PathUtf8(abs.lexically_normal());
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
    loop_->listener->Withdraw();
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
    auto loop = std::make_unique<Loop>();
    loop->listener = platform::ListenSim(path_, error);
    if (!loop->listener)
        return false;
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

void SocketServer::AcceptOne(Loop& l, std::unique_ptr<platform::ISimConnection> carrier) {
    // Connections that the host closed are done: let their threads go.
    std::erase_if(l.connections, [](const std::unique_ptr<Connection>& c) {
        if (!c->done.load())
            return false;
        c->thread.join();
        return true;
    });
    if (!carrier->Send(l.hello.data(), l.hello.size()))
        return;
    ++accepted_;
    auto c = std::make_unique<Connection>();
    c->carrier = std::move(carrier);
    Connection* raw = c.get();
    c->thread = std::thread([this, &l, raw] { ServeConnection(l, *raw); });
    l.connections.push_back(std::move(c));
}

void SocketServer::ServeConnection(Loop& l, Connection& c) {
    std::vector<uint8_t> in(l.maxReport), out;
    for (;;) {
        std::optional<size_t> n = c.carrier->Receive(in);
        if (!n)
            break;  // the host closed its end, or the watch is being unplugged
        // A packet longer than the buffer arrives cut but with its real length: the watch then
        // refuses it for its length.
        Action action = watch_->Process(in.data(), *n, out);
        if (action == Action::Reply)
            c.carrier->Send(out.data(), out.size());
        if (action == Action::Unplug) {
            l.pulled.store(true);
            l.listener->Withdraw();
            break;
        }
    }
    c.done.store(true);
}

void SocketServer::Serve(Loop& l) {
    while (auto carrier = l.listener->Accept())
        AcceptOne(l, std::move(carrier));
    // Unplugged: the interface's name is gone already, now every connection goes. The watch
    // counts as unplugged from the moment its name is gone, before any host can see a
    // connection drop.
    plugged_.store(false);
    for (auto& c : l.connections)
        c->carrier->Shutdown();
    for (auto& c : l.connections)
        c->thread.join();
    l.connections.clear();
    if (l.pulled.load() && l.onSelfUnplug)
        l.onSelfUnplug();
}

}  // namespace veldrant::sim
