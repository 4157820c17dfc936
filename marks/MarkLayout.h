// What the watch sends for marks and scores: the mark set's blocks, the 116-byte mark record, the
// packed mark time and the 512-byte score record. Views over the received bytes; every read is
// little-endian and stays inside the record it names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace veldrant::marks {

inline uint16_t LoadU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t LoadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// A mark set is a run of blocks, each told apart by its first 32-bit word.
inline constexpr uint32_t kMarkWord = 0x4B52414D;  // "MARK"
inline constexpr uint32_t kEndWord = 0;
inline constexpr size_t kMarkBlockSize = 48;
inline constexpr size_t kMarkRecordSize = 116;

// Mark record fields.
inline constexpr size_t kMarkTimeOffset = 0;
inline constexpr size_t kMarkGcidOffset = 4;
inline constexpr size_t kMarkHoleOffset = 6;  // bits 0-2 CID, bits 3-7 hole number
inline constexpr size_t kMarkPuttOffset = 7;  // 0 shot, anything else putt
inline constexpr size_t kMarkLongitudeOffset = 8;
inline constexpr size_t kMarkLatitudeOffset = 12;
inline constexpr size_t kMarkGolfNameOffset = 16;
inline constexpr size_t kMarkCourseNameOffset = 66;
inline constexpr size_t kMarkNameSize = 50;
static_assert(kMarkCourseNameOffset + kMarkNameSize == kMarkRecordSize);

// Coordinates are stored in 1/600000 degree.
inline constexpr double kCoordinateUnitsPerDegree = 600000.0;

// Packed mark time: bits 31-26 year - 2000, 25-22 month - 1, 21-17 day - 1, 16-12 hour,
// 11-6 minute, 5-0 second.
struct MarkTime {
    uint32_t raw = 0;

    // Packs fields inside what the bits hold (year 2000-2063, month 1-16, day 1-32, hour 0-31,
    // minute and second 0-63).
    static MarkTime Of(int year, int month, int day, int hour, int minute, int second) {
        return {static_cast<uint32_t>(year - 2000) << 26 | static_cast<uint32_t>(month - 1) << 22 |
                static_cast<uint32_t>(day - 1) << 17 | static_cast<uint32_t>(hour) << 12 |
                static_cast<uint32_t>(minute) << 6 | static_cast<uint32_t>(second)};
    }

    int Year() const { return static_cast<int>(raw >> 26) + 2000; }
    int Month() const { return static_cast<int>((raw >> 22) & 0xF) + 1; }
    int Day() const { return static_cast<int>((raw >> 17) & 0x1F) + 1; }
    int Hour() const { return static_cast<int>((raw >> 12) & 0x1F); }
    int Minute() const { return static_cast<int>((raw >> 6) & 0x3F); }
    int Second() const { return static_cast<int>(raw & 0x3F); }
    // Year, month and day only: the bits a session and a round date are compared on.
    uint32_t DateKey() const { return raw >> 17; }
};

// Text fields end at the first NUL or at the end of the field.
inline std::string_view FixedText(const uint8_t* p, size_t size) {
    const void* nul = std::memchr(p, 0, size);
    size_t len = nul ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - p) : size;
    return {reinterpret_cast<const char*>(p), len};
}

// One mark record; `p` points at kMarkRecordSize readable bytes.
struct MarkRecordView {
    const uint8_t* p = nullptr;

    MarkTime Time() const { return {LoadU32(p + kMarkTimeOffset)}; }
    uint16_t Gcid() const { return LoadU16(p + kMarkGcidOffset); }
    int Cid() const { return p[kMarkHoleOffset] & 0x7; }
    int Hole() const { return p[kMarkHoleOffset] >> 3; }
    bool IsPutt() const { return p[kMarkPuttOffset] != 0; }
    int32_t Longitude() const { return static_cast<int32_t>(LoadU32(p + kMarkLongitudeOffset)); }
    int32_t Latitude() const { return static_cast<int32_t>(LoadU32(p + kMarkLatitudeOffset)); }
    std::string_view GolfCourseName() const {
        return FixedText(p + kMarkGolfNameOffset, kMarkNameSize);
    }
    std::string_view CourseName() const {
        return FixedText(p + kMarkCourseNameOffset, kMarkNameSize);
    }
};

// Score data: whole 512-byte records, one per round; the watch keeps at most 500.
inline constexpr size_t kScoreRecordSize = 512;
inline constexpr size_t kMaxScoreRecords = 500;
inline constexpr size_t kScoreDateOffset = 4;
inline constexpr size_t kScoreGcidOffset = 6;
inline constexpr size_t kScoreFrontWordOffset = 8;
inline constexpr size_t kScoreBackWordOffset = 12;
inline constexpr size_t kScoreTagOffset = 46;  // two characters per player, players 1 to 4
inline constexpr size_t kScoreTagSize = 2;
inline constexpr size_t kScorePlayer1FirstOffset = 72;
inline constexpr size_t kScorePlayer1SecondOffset = 90;
inline constexpr size_t kScorePlayer2Offset = 108;  // players 3 and 4 follow, 18 bytes each
inline constexpr size_t kHoles = 18;
inline constexpr int kPlayers = 4;
static_assert(kScorePlayer2Offset + 3 * kHoles <= kScoreRecordSize);

// One score record; `p` points at kScoreRecordSize readable bytes.
struct ScoreRecordView {
    const uint8_t* p = nullptr;

    // The upper 16 bits of a packed mark time; bit 0 (the hour's top bit) is not part of the date.
    uint16_t RoundDate() const { return LoadU16(p + kScoreDateOffset); }
    uint32_t DateKey() const { return static_cast<uint32_t>(RoundDate() >> 1); }
    uint16_t Gcid() const { return LoadU16(p + kScoreGcidOffset); }
    uint32_t FrontWord() const { return LoadU32(p + kScoreFrontWordOffset); }
    uint32_t BackWord() const { return LoadU32(p + kScoreBackWordOffset); }
    // player 0..3
    const uint8_t* Tag(int player) const {
        return p + kScoreTagOffset + kScoreTagSize * static_cast<size_t>(player);
    }
    // Player 1 has two tables (table 0 and 1); players 2 to 4 one each (table 0).
    const uint8_t* Table(int player, int table) const {
        if (player == 0)
            return p + (table == 0 ? kScorePlayer1FirstOffset : kScorePlayer1SecondOffset);
        return p + kScorePlayer2Offset + kHoles * static_cast<size_t>(player - 1);
    }
};

}  // namespace veldrant::marks
