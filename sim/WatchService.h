// The simulated watch is a frame checker and dispatcher (sim/Watch) with one service per family of
// commands: identity and version, marks and scores, firmware, course data. A service sees each
// accepted request of its codes and fills the reply's value and payload.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

namespace veldrant::sim {

// One request as the watch received it (frame already checked).
struct Request {
    uint8_t type = 0;
    uint8_t command = 0;
    uint8_t mode = 0;  // 1: command with arguments, 0: block transfer
    uint32_t value = 0;
    const uint8_t* payload = nullptr;  // P bytes
    uint32_t payloadSize = 0;          // P

    uint32_t Word(size_t index) const;  // payload word `index`, little-endian
};

// The reply the watch will send. The dispatcher starts it as: type 1, the request's code echoed,
// mode 0, value = the request's value (the block echo), payload all zero.
struct Reply {
    uint8_t type = 1;
    uint8_t command = 0;
    uint8_t mode = 0;
    uint32_t value = 0;
    std::vector<uint8_t> payload;  // P bytes
    bool send = true;              // false: the watch stays silent
    bool unplug = false;           // true: the watch is pulled out instead of answering

    void SetWord(size_t index, uint32_t word);  // payload word `index`, little-endian
};

class IWatchService {
public:
    virtual ~IWatchService() = default;
    // True when this service answers `code`.
    virtual bool Handles(uint8_t code) const = 0;
    // Called with the watch's lock held; must not block.
    virtual void Handle(const Request& request, Reply& reply) = 0;
};

}  // namespace veldrant::sim
