// The firmware image file: a body the system never interprets, then a trailer that says which
// watch the image was made for, guarded by a CRC-16/XMODEM stored low byte first.
//
// Marker form (watches whose identity name is empty):
//   [0, L-18) body | L-18: CRC-16 of [0, L-18) | L-16: "_QMX_WATCH_FW_" (14 bytes) | 2 bytes free
// Name form (every other watch):
//   [0, L-66) body | L-66: 64-byte field, the identity name NUL-terminated | L-2: CRC of [0, L-2)
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace veldrant::firmware {

inline constexpr std::string_view kFirmwareMarker = "_QMX_WATCH_FW_";
static_assert(kFirmwareMarker.size() == 14);

// Marker form: offsets counted back from the end of the image.
inline constexpr uint32_t kMarkerTrailerSize = 18;  // CRC at L-18, marker at L-16
inline constexpr uint32_t kMarkerFromEnd = 16;

// Name form.
inline constexpr uint32_t kNameTrailerSize = 66;  // name field at L-66, CRC at L-2
inline constexpr uint32_t kNameFieldSize = 64;
inline constexpr uint32_t kNameCrcFromEnd = 2;

// Which trailer a watch with this identity name expects.
enum class FirmwareForm { Marker, Name };
constexpr FirmwareForm FormFor(std::string_view identityName) {
    return identityName.empty() ? FirmwareForm::Marker : FirmwareForm::Name;
}

// 1 when the image was made for a watch of this identity name (empty: the marker form) and its
// CRC matches, else 0. An image shorter than its trailer is never accepted; no byte outside
// [image, image + length) is read.
int CheckFirmwareImage(std::string_view identityName, const uint8_t* image, uint32_t length);

// The identity name a name-form image carries, or an empty view when the image has no readable
// name field. Used to tell the user which watch an image was made for.
std::string_view NameFieldOf(const uint8_t* image, uint32_t length);

// One trailer form as the image carries it, for telling a person why an image was refused.
struct TrailerCheck {
    uint16_t stored = 0;    // the CRC the trailer holds
    uint16_t computed = 0;  // the CRC of the range it guards
    bool Matches() const { return stored == computed; }
};
struct TrailerReading {
    std::optional<TrailerCheck> marker;  // "_QMX_WATCH_FW_" is at L-16
    std::optional<TrailerCheck> name;    // the name field holds a NUL-terminated text
    std::string_view nameField;          // that text (empty when `name` is not set)
};
TrailerReading ReadTrailers(const uint8_t* image, uint32_t length);

}  // namespace veldrant::firmware
