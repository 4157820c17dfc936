#include "rounds/Round.h"

#include <algorithm>

#include "marks/CsvText.h"

namespace veldrant::rounds {

bool LocalTime::IsCalendarTime() const {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 || second > 59)
        return false;
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    int days = kDays[month - 1] + (month == 2 && leap);
    return day <= days && hour >= 0 && minute >= 0 && second >= 0;
}

int Hole::Putts() const {
    return static_cast<int>(std::count_if(marks.begin(), marks.end(),
                                          [](const Mark& m) { return m.kind == MarkKind::Putt; }));
}

size_t Round::MarkCount() const {
    size_t n = 0;
    for (const Hole& h : holes)
        n += h.marks.size();
    return n;
}

std::string DateText(const LocalTime& t) {
    std::string s;
    marks::AppendPadded(s, t.year, 4);
    s.push_back('-');
    marks::AppendPadded(s, t.month, 2);
    s.push_back('-');
    marks::AppendPadded(s, t.day, 2);
    return s;
}

std::string ClockText(const LocalTime& t) {
    std::string s;
    marks::AppendPadded(s, t.hour, 2);
    s.push_back(':');
    marks::AppendPadded(s, t.minute, 2);
    s.push_back(':');
    marks::AppendPadded(s, t.second, 2);
    return s;
}

}  // namespace veldrant::rounds
