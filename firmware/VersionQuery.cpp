#include "firmware/VersionQuery.h"

#include <vector>

#include "devicelink/VersionText.h"

namespace veldrant::firmware {

namespace {
constexpr uint32_t kVersionBytes = 11;  // the text reads payload bytes 8, 9 and 10
}

std::optional<std::string> QueryFirmwareVersion(CDeviceLink& link) {
    const uint32_t payload = link.m_dwHIDPacketSize;
    if (payload < kVersionBytes)
        return std::nullopt;
    std::vector<uint8_t> reply(payload, 0);
    link.m_nCommand = CMD_FW_VERSION;
    if (!link.RequestBlock(reply.data(), 0, payload))
        return std::nullopt;
    return FirmwareVersionText(reply.data());
}

}  // namespace veldrant::firmware
