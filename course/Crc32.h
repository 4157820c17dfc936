// CRC-32/MPEG-2: polynomial 0x04C11DB7, initial value 0xFFFFFFFF, no reflection, no final XOR.
// Check value 0x0376E6E7 over "123456789". The course image carries it over its bytes 4 to L-1.
#pragma once

#include <cstdint>
#include <span>

namespace veldrant::course {

inline constexpr uint32_t kCrc32Mpeg2Init = 0xFFFFFFFFu;

uint32_t Crc32Mpeg2(std::span<const uint8_t> data, uint32_t crc = kCrc32Mpeg2Init);

}  // namespace veldrant::course
