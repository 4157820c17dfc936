// Mark CSV files for the logbook tests, written line by line as the mark import lays them out,
// with score cards as the original tool wrote them (NUL bytes as the tag of an empty slot).
#pragma once

#include <string>
#include <vector>

namespace veldrant::logbook::test {

struct M {
    std::string time;  // "09:15:30"
    int cid = 0, hole = 1;
    bool putt = false;
    std::string lon = "139.766667", lat = "35.500000";
};

struct Session {
    std::string date = "2016-05-03";
    int gcid = 1234;
    std::string golf = "テストGC";
    std::vector<M> marks{};
    std::vector<std::string> cards{};  // each a card's eight lines, as Card() makes them
};

inline std::string Q(const std::string& s) {
    return "\"" + s + "\"";
}

// Player 1 with a tag and strokes `s` and putts 2 on every hole; the other three slots empty.
inline std::string Card(int strokes, int word = 7) {
    std::string lines;
    for (int player = 0; player < 4; ++player) {
        for (int nine = 0; nine < 2; ++nine) {
            lines += player == 0 ? Q("YT") : Q(std::string("\0\0", 2));
            lines += "," + Q(std::to_string(word + nine));
            for (int h = 0; h < 9; ++h)
                lines += player == 0 ? "," + Q(std::to_string(strokes)) + "," + Q("2")
                                     : std::string(",\"0\",\"0\"");
            lines += "\r\n";
        }
    }
    return lines;
}

// One mark set holding the sessions in turn.
inline std::string File(const std::vector<Session>& sessions) {
    std::string f = "\xEF\xBB\xBF\"KVT2700\"\r\n";
    int n = 0;
    for (const Session& s : sessions) {
        std::string stamp = s.date.substr(0, 4) + s.date.substr(5, 2) + s.date.substr(8, 2) + "_" +
                            s.marks[0].time.substr(0, 2) + s.marks[0].time.substr(3, 2) +
                            s.marks[0].time.substr(6, 2);
        f += Q("SESSION" + std::to_string(++n)) + "," + Q(stamp) + "," + Q(s.golf) + "\r\n";
        f += "\"MRK\"\r\n\"GCID\",\"Golf Course name\",\"CID\",\"Course name\",\"Hole No\","
             "\"Date\",\"time\",\"Shot (s) or Putt (p)\",\"Additional No\",\"Longitude\","
             "\"Latitude\"\r\n";
        for (const M& m : s.marks)
            f += Q(std::to_string(s.gcid)) + "," + Q(s.golf) + "," + Q(std::to_string(m.cid)) +
                 "," + Q(m.cid ? "西" : "東") + "," + Q(std::to_string(m.hole)) + "," + Q(s.date) +
                 "," + Q(m.time) + "," + Q(m.putt ? "p" : "s") + ",\"1\"," + Q(m.lon) + "," +
                 Q(m.lat) + "\r\n";
        if (!s.cards.empty())
            f += "\"SCORE\"," + Q(s.marks[0].time) + "\r\n";
        for (const std::string& c : s.cards)
            f += c;
    }
    return f;
}

// `n` marks of one round, a minute apart from 08:00, hole by hole (four marks a hole).
inline std::vector<M> Marks(int n, int first = 0) {
    std::vector<M> v;
    for (int i = first; i < first + n; ++i) {
        char time[32], lon[32];
        std::snprintf(time, sizeof time, "%02d:%02d:00", 8 + i / 60, i % 60);
        std::snprintf(lon, sizeof lon, "139.%06d", 766000 + i * 97);
        v.push_back({time, i / 36, i / 4 % 9 + 1, i % 4 == 3, lon, "35.500000"});
    }
    return v;
}

}  // namespace veldrant::logbook::test
