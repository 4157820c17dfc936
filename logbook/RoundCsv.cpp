#include "logbook/RoundCsv.h"

#include <cstdio>

#include "marks/MarkLines.h"

namespace veldrant::logbook {
namespace {

marks::MarkTime Packed(const rounds::LocalTime& t) {
    return marks::MarkTime::Of(t.year, t.month, t.day, t.hour, t.minute, t.second);
}

}  // namespace

std::string RoundCsv(const LoggedRound& logged) {
    const rounds::Round& r = logged.round;
    std::string out = "\xEF\xBB\xBF";
    marks::AppendModelLine(out);
    const std::string golfName = marks::QuotedFieldText(r.golfCourseName);
    marks::AppendSessionLine(out, 1, Packed(r.start), golfName);
    marks::AppendMarkHeadLines(out);
    for (const rounds::Hole& h : r.holes) {
        const std::string courseName = marks::QuotedFieldText(h.courseName);
        for (const rounds::Mark& m : h.marks) {
            marks::AppendMarkLine(out, {.gcid = r.golfCourseId,
                                        .golfName = golfName,
                                        .cid = h.courseId,
                                        .courseName = courseName,
                                        .hole = h.number,
                                        .time = Packed(m.time),
                                        .putt = m.kind == rounds::MarkKind::Putt,
                                        .longitude = m.longitudeText,
                                        .latitude = m.latitudeText});
        }
    }
    if (r.hasScoreTime)
        marks::AppendScoreLine(out, Packed(r.scoreTime));
    for (const rounds::ScoreLine& s : r.scores)
        marks::AppendPlayerLine(out, marks::QuotedFieldText(s.tag), s.word, s.values);
    return out;
}

std::string RoundCsvName(const LoggedRound& logged) {
    const rounds::LocalTime& t = logged.round.start;
    char name[64];
    std::snprintf(name, sizeof name, "%04d%02d%02d_%02d%02d%02d_%d_MARK.csv", t.year, t.month,
                  t.day, t.hour, t.minute, t.second, logged.round.golfCourseId);
    return name;
}

}  // namespace veldrant::logbook
