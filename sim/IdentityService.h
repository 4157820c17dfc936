// Command 200 (the identity record of the watch's model) and command 1 (the firmware version:
// payload bytes 8, 9 and 10 of block 0; byte 10 = 0x7B means a two-part version).
#pragma once

#include <array>

#include "devicelink/DeviceIdentity.h"
#include "sim/WatchService.h"

namespace veldrant::sim {

class IdentityService : public IWatchService {
public:
    IdentityService(const DeviceIdentity& identity, std::array<uint8_t, 3> version);
    bool Handles(uint8_t code) const override;
    void Handle(const Request& request, Reply& reply) override;

    // Under the watch's lock.
    void SetVersion(std::array<uint8_t, 3> version) { version_ = version; }
    // The record answered to command 200; a test may alter it to present a wrong identity.
    DeviceIdentity& Record() { return record_; }

private:
    DeviceIdentity record_;
    std::array<uint8_t, 3> version_;
};

}  // namespace veldrant::sim
