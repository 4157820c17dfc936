// Test-side encoder of what the watch sends: mark records, mark sets and score records, written
// field by field from the documented layout (not with the export's own views).
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace veldrant::marks::test {

using Bytes = std::vector<uint8_t>;

inline void PutU16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

inline uint32_t PackTime(int year, int month, int day, int hour, int minute, int second) {
    return (static_cast<uint32_t>(year - 2000) << 26) | (static_cast<uint32_t>(month - 1) << 22) |
           (static_cast<uint32_t>(day - 1) << 17) | (static_cast<uint32_t>(hour) << 12) |
           (static_cast<uint32_t>(minute) << 6) | static_cast<uint32_t>(second);
}

struct Mark {
    uint32_t time = PackTime(2016, 5, 3, 9, 15, 30);
    uint16_t gcid = 1234;
    uint8_t holeByte = 58;  // CID 2, hole 7
    uint8_t putt = 1;
    int32_t longitude = 83860000;
    int32_t latitude = 21300000;
    std::string golfName = "Test Golf";  // code page 932 bytes
    std::string courseName = "OUT";
};

inline void PutText(uint8_t* p, const std::string& text) {
    std::memcpy(p, text.data(), std::min<size_t>(text.size(), 50));
}

inline Bytes MarkRecord(const Mark& m) {
    Bytes r(116, 0);
    PutU32(&r[0], m.time);
    PutU16(&r[4], m.gcid);
    r[6] = m.holeByte;
    r[7] = m.putt;
    PutU32(&r[8], static_cast<uint32_t>(m.longitude));
    PutU32(&r[12], static_cast<uint32_t>(m.latitude));
    PutText(&r[16], m.golfName);
    PutText(&r[66], m.courseName);
    return r;
}

inline Bytes MarkBlock() {
    Bytes b(48, 0xEE);
    b[0] = 'M';
    b[1] = 'A';
    b[2] = 'R';
    b[3] = 'K';
    return b;
}

inline void Append(Bytes& to, const Bytes& from) {
    to.insert(to.end(), from.begin(), from.end());
}

// A MARK block, the records, and (when `terminate`) a first word of 0.
inline Bytes MarkSet(const std::vector<Mark>& marks, bool terminate = true) {
    Bytes set = MarkBlock();
    for (const Mark& m : marks)
        Append(set, MarkRecord(m));
    if (terminate)
        set.insert(set.end(), 4, 0);
    return set;
}

struct Player {
    char tag[2] = {0, 0};
    uint8_t first[18] = {};
    uint8_t second[18] = {};  // player 1 only
};

struct Score {
    uint16_t roundDate = static_cast<uint16_t>(PackTime(2016, 5, 3, 9, 0, 0) >> 16);
    uint16_t gcid = 1234;
    uint32_t front = 0;
    uint32_t back = 0;
    Player players[4];
};

inline Bytes ScoreRecord(const Score& s) {
    Bytes r(512, 0x5A);  // bytes not read by the export carry noise
    PutU16(&r[4], s.roundDate);
    PutU16(&r[6], s.gcid);
    PutU32(&r[8], s.front);
    PutU32(&r[12], s.back);
    for (int p = 0; p < 4; ++p) {
        r[46 + 2 * p] = static_cast<uint8_t>(s.players[p].tag[0]);
        r[47 + 2 * p] = static_cast<uint8_t>(s.players[p].tag[1]);
    }
    std::memcpy(&r[72], s.players[0].first, 18);
    std::memcpy(&r[90], s.players[0].second, 18);
    for (int p = 1; p < 4; ++p)
        std::memcpy(&r[108 + 18 * (p - 1)], s.players[p].first, 18);
    return r;
}

inline Bytes ScoreData(const std::vector<Score>& scores) {
    Bytes data;
    for (const Score& s : scores)
        Append(data, ScoreRecord(s));
    return data;
}

// A score card with all four players named and plausible strokes and putts.
inline Score FullCard(uint16_t gcid, uint16_t roundDate) {
    Score s;
    s.gcid = gcid;
    s.roundDate = roundDate;
    s.front = 0x01020304;
    s.back = 7;
    const char* tags[4] = {"AB", "CD", "EF", "GH"};
    for (int p = 0; p < 4; ++p) {
        s.players[p].tag[0] = tags[p][0];
        s.players[p].tag[1] = tags[p][1];
        for (int h = 0; h < 18; ++h) {
            s.players[p].first[h] = static_cast<uint8_t>(3 + (h + p) % 4);
            s.players[p].second[h] = static_cast<uint8_t>(1 + h % 3);
        }
    }
    return s;
}

}  // namespace veldrant::marks::test
