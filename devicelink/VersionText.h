// The firmware version text as the firmware page shows it, from the payload of the watch's
// reply to command 1 (CMD_FW_VERSION, block 0). UI-neutral: the page and the CLI both use it.
#pragma once

#include <cstdint>
#include <string>

namespace veldrant {

// `payload` holds at least 11 bytes. Byte 10 = 0x7B ('{') means a two-part version
// "ファームウェアバージョン <b9>.<b8 two digits>"; otherwise three parts
// "ファームウェアバージョン <b9>.<b8 two digits>.<b10 three digits>". Bytes are unsigned.
std::string FirmwareVersionText(const uint8_t* payload);

}  // namespace veldrant
