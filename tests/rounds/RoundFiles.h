// Mark CSV files for the round tests, made by the mark export itself from mark sets and score
// records encoded field by field.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "marks/MarkExport.h"
#include "platform/CodePage.h"
#include "tests/marks/MarkBytes.h"

namespace veldrant::rounds::test {

using WatchMark = marks::test::Mark;  // a record as the watch sends it
using marks::test::PackTime;
using marks::test::Score;

inline int32_t Units(double degrees) {
    return static_cast<int32_t>(std::lround(degrees * 600000.0));
}

// A shot (or putt) on hole `hole` of course `cid` at the given place and minute of 2016-05-03.
inline WatchMark At(int hole, double lon, double lat, bool putt = false, int minute = 0,
                    int cid = 1) {
    WatchMark m;
    m.time = PackTime(2016, 5, 3, 9, minute, 0);
    m.gcid = 1234;
    m.holeByte = static_cast<uint8_t>((hole << 3) | cid);
    m.putt = putt ? 1 : 0;
    m.longitude = Units(lon);
    m.latitude = Units(lat);
    return m;
}

struct SetSpec {
    std::vector<WatchMark> marks;
    std::vector<Score> scores;
};

// The file the mark import writes for these sets: the byte order mark, then each set's lines.
inline std::string ExportedFile(const std::vector<SetSpec>& sets) {
    std::string file = "\xEF\xBB\xBF";
    for (const SetSpec& s : sets)
        file += marks::ExportMarkSetToString(marks::test::MarkSet(s.marks),
                                             marks::test::ScoreData(s.scores));
    return file;
}

inline std::string Cp932(const std::string& utf8) {
    return platform::Utf8ToCp932(utf8);
}

}  // namespace veldrant::rounds::test
