#include "course/Crc32.h"

#include <array>

namespace veldrant::course {

namespace {
constexpr uint32_t kPolynomial = 0x04C11DB7u;

constexpr std::array<uint32_t, 256> MakeTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n << 24;
        for (int bit = 0; bit < 8; ++bit) {
            c = (c & 0x80000000u) ? (c << 1) ^ kPolynomial : c << 1;
        }
        table[n] = c;
    }
    return table;
}

constexpr std::array<uint32_t, 256> kTable = MakeTable();
}  // namespace

uint32_t Crc32Mpeg2(std::span<const uint8_t> data, uint32_t crc) {
    for (uint8_t byte : data) {
        crc = (crc << 8) ^ kTable[((crc >> 24) ^ byte) & 0xFFu];
    }
    return crc;
}

}  // namespace veldrant::course
