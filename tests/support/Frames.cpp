#include "tests/support/Frames.h"

#include <algorithm>

namespace veldrant::testing {

namespace {
// Bit by bit, as the XMODEM definition reads: independent of the link's table.
uint16_t CrcXmodem(const uint8_t* p, size_t n) {
    uint16_t c = 0;
    for (size_t i = 0; i < n; ++i) {
        c ^= uint16_t(p[i] << 8);
        for (int b = 0; b < 8; ++b)
            c = (c & 0x8000) ? uint16_t(c << 1 ^ 0x1021) : uint16_t(c << 1);
    }
    return c;
}
}  // namespace

Report BuildFrame(uint32_t length, uint8_t type, uint8_t code, uint8_t mode, uint32_t value,
                  const std::vector<uint8_t>& payload) {
    uint32_t p = length - length % 64;
    Report r(length, 0);
    r[1] = 0x23;
    r[2] = type;
    r[3] = code;
    r[4] = mode;
    for (int i = 0; i < 4; ++i)
        r[5 + i] = uint8_t(value >> (8 * i));
    std::copy_n(payload.begin(), std::min<size_t>(payload.size(), p), r.begin() + 9);
    r[12 + p] = 0x2A;
    Reseal(r);
    return r;
}

void Reseal(Report& r) {
    uint32_t p = uint32_t(r.size() - r.size() % 64);
    uint16_t crc = CrcXmodem(r.data() + 2, p + 7);
    r[9 + p] = uint8_t(crc >> 8);
    r[10 + p] = uint8_t(crc);
}

uint32_t WordAt(const Report& r, size_t offset) {
    return uint32_t(r[offset]) | uint32_t(r[offset + 1]) << 8 | uint32_t(r[offset + 2]) << 16 |
           uint32_t(r[offset + 3]) << 24;
}

}  // namespace veldrant::testing
