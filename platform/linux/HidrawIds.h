// The texts udev shows for a HID device's ids, parsed.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace veldrant::platform::linux_hid {

inline constexpr uint16_t kBusUsb = 0x03;

struct HidIdText {
    uint16_t bus = 0;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
};

// HID_ID of the HID parent's uevent: "0003:000010C4:00008A3B" (bus, vendor, product in hex).
std::optional<HidIdText> ParseHidId(std::string_view text);

// Exactly four hexadecimal digits, as sysfs writes bcdDevice ("0100", a newline allowed) and
// as the uhid watch puts its release into HID_UNIQ.
std::optional<uint16_t> ParseRelease(std::string_view text);

}  // namespace veldrant::platform::linux_hid
