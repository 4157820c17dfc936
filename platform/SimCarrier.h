// The device side of the simulated-interface carrier (protocol in platform/SimProtocol.h): a
// name that hosts find in the simulation directory and connect to, and one packet connection
// per host. veldrant-sim's server (sim/SocketServer.h) is written against this alone; the
// host side is the "sim" transport (platform/SimTransport.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace veldrant::platform {

class ISimConnection {
public:
    virtual ~ISimConnection() = default;
    // Waits for the host's next packet and stores as much of it as `buffer` holds. Returns the
    // packet's real length (more than the buffer when it was cut), or nullopt once the host
    // closed its end or Shutdown ran.
    virtual std::optional<size_t> Receive(std::span<uint8_t> buffer) = 0;
    // Sends one packet; false when the host is gone.
    virtual bool Send(const uint8_t* data, size_t len) = 0;
    // Ends the connection from any thread: a waiting Receive returns at once.
    virtual void Shutdown() = 0;
};

class ISimListener {
public:
    virtual ~ISimListener() = default;
    // Waits for the next host; nullptr once Withdraw ran.
    virtual std::unique_ptr<ISimConnection> Accept() = 0;
    // Takes the interface's name away, so that hosts neither list it nor connect to it any
    // more, then wakes Accept. Safe from any thread, any number of times.
    virtual void Withdraw() = 0;
};

// Publishes an interface at `path` (<directory>/<name>.hid) once it can be connected to,
// creating the directory (private to its user) when needed. nullptr with the reason in *error
// when a live device serves that path already or the carrier cannot be made.
std::unique_ptr<ISimListener> ListenSim(const std::string& path, std::string* error);

}  // namespace veldrant::platform
