// CRC-16/XMODEM, sixteen bytes at a time ("slicing by 16"): table k holds the CRC of a byte
// followed by k zero bytes, so the CRC of sixteen bytes is the XOR of sixteen look-ups. A frame's
// 519 bytes then take a fraction of a microsecond, next to a USB exchange of milliseconds.
#include <array>
#include <cstddef>

#include "devicelink/Frame.h"

namespace veldrant {

namespace {
constexpr size_t kSlices = 16;
using Tables = std::array<std::array<uint16_t, 256>, kSlices>;

constexpr Tables MakeTables() {
    Tables t{};
    for (unsigned i = 0; i < 256; ++i) {
        uint16_t c = uint16_t(i << 8);
        for (int bit = 0; bit < 8; ++bit) {
            c = (c & 0x8000) ? uint16_t((c << 1) ^ 0x1021) : uint16_t(c << 1);
        }
        t[0][i] = c;
    }
    for (size_t k = 1; k < kSlices; ++k) {
        for (unsigned i = 0; i < 256; ++i) {
            uint16_t prev = t[k - 1][i];
            t[k][i] = uint16_t((prev << 8) ^ t[0][prev >> 8]);
        }
    }
    return t;
}
constexpr Tables kTables = MakeTables();
}  // namespace

uint16_t Crc16(const uint8_t* begin, const uint8_t* end) {
    uint16_t c = 0;
    const uint8_t* p = begin;
    // The register's two bytes fold into the first two bytes of each group.
    for (; end - p >= ptrdiff_t(kSlices); p += kSlices) {
        uint16_t x = kTables[15][p[0] ^ (c >> 8)] ^ kTables[14][p[1] ^ (c & 0xFF)];
        for (size_t i = 2; i < kSlices; ++i)
            x ^= kTables[kSlices - 1 - i][p[i]];
        c = x;
    }
    for (; p < end; ++p) {
        c = uint16_t((c << 8) ^ kTables[0][((c >> 8) ^ *p) & 0xFF]);
    }
    return c;
}

}  // namespace veldrant
