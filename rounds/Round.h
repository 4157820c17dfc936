// A mark CSV file read back as rounds: one round per session (a day at one golf course), its
// holes in the order they were played, each hole's marks in order, and the score lines that the
// file gives after the session. Figures (distances, outliers, strokes and putts) are filled in by
// the reader through Measure.h.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace veldrant::rounds {

// The watch's local time as the file writes it; the fields can hold what the watch's packed time
// holds (month up to 16, day up to 32, hour up to 31), so a date is not always a calendar date.
struct LocalTime {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0;

    bool SameDate(const LocalTime& o) const {
        return year == o.year && month == o.month && day == o.day;
    }
    bool SameClock(const LocalTime& o) const {
        return hour == o.hour && minute == o.minute && second == o.second;
    }
    // Month 1-12, day inside the month, hour 0-23, minute and second 0-59.
    bool IsCalendarTime() const;
};

enum class MarkKind { Shot, Putt };

struct Mark {
    LocalTime time;
    MarkKind kind = MarkKind::Shot;
    double longitude = 0;  // degrees, as the file gives them (six places)
    double latitude = 0;
    // The two coordinates as the file writes them: what tells one mark from another, and what a
    // mark written back gives again.
    std::string longitudeText, latitudeText;
    int line = 0;  // where the mark stands in the file

    // Figures.
    bool outlier = false;            // at 0/0, off the globe, or over 1000 m from the hole's others
    std::optional<double> distance;  // metres to the next mark of the hole that is not an outlier
};

struct Hole {
    int courseId = 0;  // CID
    std::string courseName;
    int number = 0;
    std::vector<Mark> marks;

    // Figures, counted from the marks (not from the score card).
    int Strokes() const { return static_cast<int>(marks.size()); }
    int Putts() const;
    std::optional<double> teeShot;  // the first mark's distance when it is a shot
    std::optional<double> longest;  // the longest shot's distance
    int longestStroke = 0;          // 1-based; 0 when there is no longest shot
};

// A score line as the file gives it: the player's tag, the word that follows it and the 18
// values after that. The file does not say what the tables mean, so neither does this.
struct ScoreLine {
    std::string tag;
    uint32_t word = 0;
    std::array<int, 18> values{};
    int line = 0;
};

struct Round {
    int number = 0;        // 1 for the file's first session, counting on through every mark set
    int set = 0;           // 1 for the file's first mark set
    int session = 0;       // the session's number inside its mark set, as the file gives it
    LocalTime start;       // the session's first mark
    int golfCourseId = 0;  // GCID
    std::string golfCourseName;
    std::vector<Hole> holes;
    bool hasScoreTime = false;  // the file gave a SCORE line for this session
    LocalTime scoreTime;        // its time of day
    std::vector<ScoreLine> scores;
    int line = 0;  // the session line

    size_t MarkCount() const;
};

struct RoundFile {
    std::vector<Round> rounds;
    size_t markSets = 0;
};

inline constexpr double kMetresPerYard = 0.9144;
inline double Yards(double metres) {
    return metres / kMetresPerYard;
}

// "2016-05-03"
std::string DateText(const LocalTime& t);
// "09:15:30"
std::string ClockText(const LocalTime& t);

}  // namespace veldrant::rounds
