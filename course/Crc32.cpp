#include "course/Crc32.h"

#include <array>

namespace veldrant::course {

namespace {
constexpr uint32_t kPolynomial = 0x04C11DB7u;

// Tables for eight bytes at a time: kTables[k][n] is the CRC of byte n followed by k zero
// bytes, so that one step folds in eight bytes with eight look-ups.
using Tables = std::array<std::array<uint32_t, 256>, 8>;

constexpr Tables MakeTables() {
    Tables t{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n << 24;
        for (int bit = 0; bit < 8; ++bit) {
            c = (c & 0x80000000u) ? (c << 1) ^ kPolynomial : c << 1;
        }
        t[0][n] = c;
    }
    for (size_t k = 1; k < t.size(); ++k) {
        for (uint32_t n = 0; n < 256; ++n) {
            t[k][n] = (t[k - 1][n] << 8) ^ t[0][t[k - 1][n] >> 24];
        }
    }
    return t;
}

constexpr Tables kTables = MakeTables();
}  // namespace

uint32_t Crc32Mpeg2(std::span<const uint8_t> data, uint32_t crc) {
    const uint8_t* p = data.data();
    size_t left = data.size();
    for (; left >= 8; left -= 8, p += 8) {
        const uint32_t c =
            crc ^ (uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3]);
        crc = kTables[7][c >> 24] ^ kTables[6][(c >> 16) & 0xFF] ^ kTables[5][(c >> 8) & 0xFF] ^
              kTables[4][c & 0xFF] ^ kTables[3][p[4]] ^ kTables[2][p[5]] ^ kTables[1][p[6]] ^
              kTables[0][p[7]];
    }
    for (; left > 0; --left, ++p) {
        crc = (crc << 8) ^ kTables[0][((crc >> 24) ^ *p) & 0xFFu];
    }
    return crc;
}

}  // namespace veldrant::course
