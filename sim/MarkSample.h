// Mark and score data for the simulated watch: a realistic sample (rounds on several days at golf
// courses in Japan, shots and putts hole by hole, score cards), its encoding as the watch stores
// it, and raw data sets kept in a directory (set000.bin, set001.bin, ... and score.bin).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace veldrant::sim {

struct SampleMark {
    int year = 2016, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    uint16_t gcid = 0;
    int cid = 0;   // course within the golf course, 0-7
    int hole = 0;  // 1-18 (up to 31 fits)
    bool putt = false;
    int32_t longitude = 0;  // 1/600000 degree
    int32_t latitude = 0;
    std::string golfCourseName;  // UTF-8; stored as code page 932
    std::string courseName;
};

struct SamplePlayer {
    std::string tag;  // one or two ASCII letters or one kanji, UTF-8; empty: no player
    std::array<uint8_t, 18> strokes{};
    std::array<uint8_t, 18> putts{};  // player 1's second table
};

struct SampleScore {
    int year = 2016, month = 1, day = 1;
    bool lateStart = false;  // the round date's bit 0: the top bit of the hour (16:00 on)
    uint16_t gcid = 0;
    uint32_t frontWord = 0;
    uint32_t backWord = 0;
    std::array<SamplePlayer, 4> players;
};

struct MarkSample {
    std::vector<std::vector<SampleMark>> sets;
    std::vector<SampleScore> scores;
};

// Two mark sets over three days at four golf courses, with three score cards. The same seed
// gives the same sample.
MarkSample GenerateMarkSample(uint32_t seed = 2016);

// What the watch sends: a MARK block, 116-byte records, a first word of 0.
std::vector<uint8_t> EncodeMarkSet(const std::vector<SampleMark>& marks);
// 512 bytes per score card.
std::vector<uint8_t> EncodeScores(const std::vector<SampleScore>& scores);
uint32_t PackMarkTime(int year, int month, int day, int hour, int minute, int second);

// The bytes the watch holds.
struct MarkData {
    std::vector<std::vector<uint8_t>> sets;
    std::vector<uint8_t> score;  // empty: no score data
};
MarkData EncodeSample(const MarkSample& sample);

// Reads set000.bin, set001.bin, ... (until one is missing) and score.bin (optional) from `dir`.
// False with a message when the directory holds no set or a file cannot be read.
bool LoadMarkData(const std::string& dir, MarkData& data, std::string* error);
// Writes the same files; false with a message on failure.
bool SaveMarkData(const std::string& dir, const MarkData& data, std::string* error);

}  // namespace veldrant::sim
