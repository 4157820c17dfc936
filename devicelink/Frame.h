// The packet frame: where each field lies in a report buffer of length L with payload size P.
#pragma once

#include <cstddef>
#include <cstdint>

namespace veldrant {

inline constexpr uint8_t kStartMarker = 0x23;  // '#'
inline constexpr uint8_t kEndMarker = 0x2A;    // '*'
inline constexpr uint8_t kTypeRequest = 1;
inline constexpr uint8_t kModeBlock = 0;
inline constexpr uint8_t kModeArgs = 1;
inline constexpr uint32_t kFrameOverhead = 13;  // report ID, markers, header, CRC, reserved
inline constexpr size_t kPayloadOffset = 9;

inline constexpr uint32_t kIdentitySize = 76;  // the identity record must fit the payload

// Payload size for a report length: L rounded down to a multiple of 64.
constexpr uint32_t PayloadSizeFor(uint32_t reportLength) {
    return reportLength - reportLength % 64;
}

// True when a report of this length holds the whole frame (L mod 64 >= 13) and a payload large
// enough for the identity record (P >= 76). Discovery refuses any other length.
constexpr bool FrameFits(uint32_t reportLength) {
    return reportLength % 64 >= kFrameOverhead && PayloadSizeFor(reportLength) >= kIdentitySize;
}

// Little-endian 32-bit words of the value field and the payload.
constexpr uint32_t LoadLe32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
constexpr void StoreLe32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

// Offsets of the frame fields within one report buffer.
struct FrameView {
    size_t start = 1, type = 2, command = 3, mode = 4, value = 5;
    size_t crcHigh = 0, crcLow = 0, reserved = 0, end = 0;
    static FrameView For(uint32_t payloadSize) {
        FrameView v;
        v.crcHigh = 9 + payloadSize;
        v.crcLow = 10 + payloadSize;
        v.reserved = 11 + payloadSize;
        v.end = 12 + payloadSize;
        return v;
    }
};

// CRC-16/XMODEM (polynomial 0x1021, initial 0, no reflection, no final XOR) of [begin, end).
uint16_t Crc16(const uint8_t* begin, const uint8_t* end);

}  // namespace veldrant
