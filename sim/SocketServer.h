// Serves one simulated watch as <dir>/<name>.hid by the protocol of platform/SimProtocol.h,
// on threads of its own (one listening, one per connection). Tests start one on a temporary
// directory; veldrant-sim runs one.
//
//   auto watch = std::make_shared<sim::Watch>();
//   sim::SocketServer server(watch, {.directory = dir});
//   server.Plug();    // the socket appears; hosts may connect
//   server.Unplug();  // the socket goes, connections close: an exchange waiting fails at once
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/HidTransport.h"
#include "platform/SimCarrier.h"
#include "sim/Watch.h"

namespace veldrant::sim {

struct ServerOptions {
    std::string directory{};  // empty: platform::SimDirectory()
    std::string name = "watch";
    // What the hello announces; by default the watch's model and its report length. Tests
    // override them to present odd interfaces (unknown ids, unequal report lengths).
    std::optional<platform::HidIds> ids{};
    std::optional<uint16_t> inputLength{};
    std::optional<uint16_t> outputLength{};
};

class SocketServer {
public:
    SocketServer(std::shared_ptr<Watch> watch, ServerOptions options);
    ~SocketServer();
    SocketServer(const SocketServer&) = delete;
    SocketServer& operator=(const SocketServer&) = delete;

    // Creates the directory if needed and the interface, and starts serving. False with a message
    // in *error when the socket cannot be made (name taken by a live device, path too long...).
    bool Plug(std::string* error = nullptr);
    // Removes the socket file, then closes every connection. Returns when both are done.
    void Unplug();
    bool Plugged() const { return plugged_.load(); }
    // Runs on the server thread when the watch pulls itself out (Watch::UnplugAfter).
    void OnSelfUnplug(std::function<void()> fn);

    std::string Path() const { return path_; }
    Watch& GetWatch() { return *watch_; }
    uint64_t Accepted() const { return accepted_.load(); }

private:
    struct Loop;
    struct Connection;
    void Join();
    // The listening thread: accepts connections, and tears everything down on unplug.
    void Serve(Loop& loop);
    void AcceptOne(Loop& loop, std::unique_ptr<platform::ISimConnection> carrier);
    // One thread per connection, blocked in Receive: a request is answered as soon as it lands.
    void ServeConnection(Loop& loop, Connection& connection);

    std::shared_ptr<Watch> watch_;
    ServerOptions options_;
    std::string path_;
    std::mutex mutex_;  // Plug and Unplug
    std::unique_ptr<Loop> loop_;
    std::thread thread_;
    std::atomic<bool> plugged_{false};
    std::atomic<uint64_t> accepted_{0};
    std::function<void()> onSelfUnplug_;
};

}  // namespace veldrant::sim
