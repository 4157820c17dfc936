// CRC-16/XMODEM with a 256-entry table built at compile time.
#include <array>

#include "devicelink/Frame.h"

namespace veldrant {

namespace {
constexpr std::array<uint16_t, 256> MakeTable() {
    std::array<uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        uint16_t c = uint16_t(i << 8);
        for (int bit = 0; bit < 8; ++bit) {
            c = (c & 0x8000) ? uint16_t((c << 1) ^ 0x1021) : uint16_t(c << 1);
        }
        table[i] = c;
    }
    return table;
}
constexpr std::array<uint16_t, 256> kTable = MakeTable();
}  // namespace

uint16_t Crc16(const uint8_t* begin, const uint8_t* end) {
    uint16_t c = 0;
    for (const uint8_t* p = begin; p < end; ++p) {
        c = uint16_t((c << 8) ^ kTable[((c >> 8) ^ *p) & 0xFF]);
    }
    return c;
}

}  // namespace veldrant
