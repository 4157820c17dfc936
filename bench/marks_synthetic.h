// The mark export's synthetic data, shared by the benchmarks that start from it: one mark set
// of 100 000 marks over 2 000 sessions (a new day every four sessions, seven golf courses with
// Japanese names, 18 holes each) and 500 score records.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/CodePage.h"

namespace veldrant::bench {

using Bytes = std::vector<uint8_t>;

inline constexpr int kMarks = 100000;
inline constexpr int kSessions = 2000;
inline constexpr int kScores = 500;

inline void Put(uint8_t* p, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

inline uint32_t Pack(int year, int month, int day, int hour, int minute, int second) {
    return (static_cast<uint32_t>(year - 2000) << 26) | (static_cast<uint32_t>(month - 1) << 22) |
           (static_cast<uint32_t>(day - 1) << 17) | (static_cast<uint32_t>(hour) << 12) |
           (static_cast<uint32_t>(minute) << 6) | static_cast<uint32_t>(second);
}

// Session s: day s / 4 from 2015-01-01 on (a new day every four sessions), golf course 100 + s % 7.
inline uint32_t SessionDate(int s) {
    return Pack(2015 + s / 4 / 336, 1 + s / 4 / 28 % 12, 1 + s / 4 % 28, 8, 0, 0);
}
inline uint16_t SessionCourse(int s) {
    return static_cast<uint16_t>(100 + s % 7);
}

inline Bytes BuildSet() {
    const std::string names[7] = {"富士見ヶ丘カントリー倶楽部", "那須高原ゴルフクラブ",
                                  "琵琶湖レイクサイドＧＣ",     "阿蘇くじゅう高原コース",
                                  "霞ヶ浦国際ゴルフ場",         "箱根湯本カントリークラブ",
                                  "北海道ニセコビレッジ"};
    const std::string courses[2] = {"ＯＵＴ東コース", "ＩＮ西コース"};
    std::string cpNames[7], cpCourses[2];
    for (int i = 0; i < 7; ++i)
        cpNames[i] = veldrant::platform::Utf8ToCp932(names[i]);
    for (int i = 0; i < 2; ++i)
        cpCourses[i] = veldrant::platform::Utf8ToCp932(courses[i]);

    Bytes set(48 + static_cast<size_t>(kMarks) * 116 + 4, 0);
    std::memcpy(set.data(), "MARK", 4);
    const int perSession = kMarks / kSessions;
    for (int i = 0; i < kMarks; ++i) {
        int s = i / perSession, k = i % perSession;
        uint8_t* r = set.data() + 48 + static_cast<size_t>(i) * 116;
        uint32_t t = SessionDate(s) + (static_cast<uint32_t>(k * 3 / 60) << 12) +
                     (static_cast<uint32_t>(k * 3 % 60) << 6);
        Put(r, t, 4);
        Put(r + 4, SessionCourse(s), 2);
        int hole = 1 + k * 18 / perSession;
        r[6] = static_cast<uint8_t>((hole << 3) | (hole > 9 ? 1 : 0));
        r[7] = k % 3 == 2;
        Put(r + 8, static_cast<uint32_t>(83860000 + i * 37), 4);
        Put(r + 12, static_cast<uint32_t>(21300000 - i * 29), 4);
        std::memcpy(r + 16, cpNames[s % 7].data(), std::min<size_t>(cpNames[s % 7].size(), 50));
        const std::string& c = cpCourses[hole > 9];
        std::memcpy(r + 66, c.data(), std::min<size_t>(c.size(), 50));
    }
    return set;
}

inline Bytes BuildScores() {
    Bytes score(static_cast<size_t>(kScores) * 512, 0);
    for (int k = 0; k < kScores; ++k) {
        uint8_t* r = score.data() + static_cast<size_t>(k) * 512;
        int s = k * (kSessions / kScores);  // one round for every fourth session
        Put(r + 4, SessionDate(s) >> 16, 2);
        Put(r + 6, SessionCourse(s), 2);
        Put(r + 8, 36, 4);
        Put(r + 12, 36, 4);
        for (int p = 0; p < 4; ++p) {
            r[46 + 2 * p] = static_cast<uint8_t>('A' + p);
            r[47 + 2 * p] = '1';
        }
        for (int h = 0; h < 18 * 5; ++h)
            r[72 + h] = static_cast<uint8_t>(3 + h % 4);
    }
    return score;
}

}  // namespace veldrant::bench
