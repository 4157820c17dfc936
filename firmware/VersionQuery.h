// The firmware version of the connected watch: command 1, block 0, read into a buffer of P bytes
// and shown in one of its two text forms ("ファームウェアバージョン 1.05" or "… 2.03.004").
#pragma once

#include <optional>
#include <string>

#include "devicelink/DeviceLink.h"

namespace veldrant::firmware {

// The version text, or nullopt when the watch did not answer (the page asks again next second).
std::optional<std::string> QueryFirmwareVersion(CDeviceLink& link);

}  // namespace veldrant::firmware
