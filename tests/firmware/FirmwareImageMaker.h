// Firmware image files made for the tests: a body of pseudo-random bytes and the trailer of the
// marker form or the name form, with its CRC stored low byte first.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "devicelink/Frame.h"
#include "firmware/FirmwareImage.h"

namespace veldrant::firmware::test {

inline std::vector<uint8_t> Body(size_t size, uint32_t seed = 1) {
    std::vector<uint8_t> body(size);
    for (auto& b : body) {
        seed = seed * 1103515245u + 12345u;
        b = static_cast<uint8_t>(seed >> 16);
    }
    return body;
}

inline void AppendCrc(std::vector<uint8_t>& image) {
    uint16_t crc = Crc16(image.data(), image.data() + image.size());
    image.push_back(static_cast<uint8_t>(crc));
    image.push_back(static_cast<uint8_t>(crc >> 8));
}

// body | CRC | "_QMX_WATCH_FW_" | two free bytes
inline std::vector<uint8_t> MarkerImage(size_t bodySize, uint8_t free0 = 0, uint8_t free1 = 0) {
    std::vector<uint8_t> image = Body(bodySize);
    AppendCrc(image);
    image.insert(image.end(), kFirmwareMarker.begin(), kFirmwareMarker.end());
    image.push_back(free0);
    image.push_back(free1);
    return image;
}

// body | 64-byte name field (name, NUL, `filler` up to the end) | CRC of all before it
inline std::vector<uint8_t> NameImage(size_t bodySize, std::string_view name, uint8_t filler = 0) {
    std::vector<uint8_t> image = Body(bodySize);
    std::vector<uint8_t> field(kNameFieldSize, filler);
    for (size_t i = 0; i < name.size() && i < field.size(); ++i)
        field[i] = uint8_t(name[i]);
    if (name.size() < field.size())
        field[name.size()] = 0;
    image.insert(image.end(), field.begin(), field.end());
    AppendCrc(image);
    return image;
}

// An image of exactly `length` bytes (at least 66) in the form the watch's name wants.
inline std::vector<uint8_t> ImageOfLength(size_t length, std::string_view name) {
    return name.empty() ? MarkerImage(length - kMarkerTrailerSize)
                        : NameImage(length - kNameTrailerSize, name);
}

}  // namespace veldrant::firmware::test
