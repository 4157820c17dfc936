#include "sim/IdentityService.h"

#include <cstring>

#include "devicelink/Commands.h"

namespace veldrant::sim {

IdentityService::IdentityService(const DeviceIdentity& identity, std::array<uint8_t, 3> version)
    : record_(identity), version_(version) {}

bool IdentityService::Handles(uint8_t code) const {
    return code == CMD_IDENTITY || code == CMD_FW_VERSION;
}

void IdentityService::Handle(const Request& request, Reply& reply) {
    if (request.command == CMD_IDENTITY) {
        std::memcpy(reply.payload.data(), &record_, sizeof(record_));
        return;
    }
    reply.payload[8] = version_[0];
    reply.payload[9] = version_[1];
    reply.payload[10] = version_[2];
}

}  // namespace veldrant::sim
