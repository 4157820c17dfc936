// GeoJSON (RFC 7946): one FeatureCollection; a feature per mark in the file's order (a Point,
// or no geometry for a mark without a position), with its time in UTC and as the watch gave
// it, then a LineString feature per hole through its marks that are not outliers (holes with fewer
// than two such marks have none). Positions are longitude, latitude; there is no "crs" member.
#include "rounds/Export.h"
#include "rounds/ExportText.h"
#include "rounds/Measure.h"

namespace veldrant::rounds {
namespace {

using namespace text;

void AppendPosition(std::string& out, const Mark& m) {
    out.push_back('[');
    AppendFixed(out, m.longitude, 6);
    out.push_back(',');
    AppendFixed(out, m.latitude, 6);
    out.push_back(']');
}

// "round", "date", "golfCourse", "course", "hole": what the point and line features share.
void AppendHoleProperties(std::string& out, const Round& round, const Hole& hole) {
    out.append("\"round\":");
    AppendInt(out, round.number);
    out.append(",\"date\":");
    AppendJsonString(out, DateText(round.start));
    out.append(",\"golfCourse\":");
    AppendJsonString(out, round.golfCourseName);
    out.append(",\"course\":");
    AppendJsonString(out, hole.courseName);
    out.append(",\"hole\":");
    AppendInt(out, hole.number);
}

}  // namespace

void WriteGeoJson(const RoundFile& file, const ExportOptions& options, std::string& out) {
    out.reserve(out.size() + ExpectedBytes(file, 480));
    out.append("{\"type\":\"FeatureCollection\",\"features\":[");
    bool first = true;
    auto next = [&] {
        out.append(first ? "\n" : ",\n");
        first = false;
    };
    for (const Round& round : file.rounds) {
        for (const Hole& hole : round.holes) {
            for (size_t i = 0; i < hole.marks.size(); ++i) {
                const Mark& m = hole.marks[i];
                next();
                out.append("{\"type\":\"Feature\",\"geometry\":");
                if (HasPosition(m)) {
                    out.append("{\"type\":\"Point\",\"coordinates\":");
                    AppendPosition(out, m);
                    out.push_back('}');
                } else {
                    out.append("null");
                }
                out.append(",\"properties\":{");
                AppendHoleProperties(out, round, hole);
                out.append(",\"stroke\":");
                AppendInt(out, static_cast<long long>(i) + 1);
                out.append(",\"kind\":");
                AppendJsonString(out, KindText(m.kind));
                out.append(",\"time\":\"");
                if (AppendUtc(out, m.time, options.utcOffsetMinutes)) {
                    out.push_back('"');
                } else {  // the watch's fields hold no calendar time
                    out.resize(out.size() - 1);
                    out.append("null");
                }
                out.append(",\"localTime\":\"");
                AppendLocalTime(out, m.time);
                out.push_back('"');
                if (m.distance) {
                    out.append(",\"distance_m\":");
                    AppendFixed(out, *m.distance, 2);
                    out.append(",\"distance_yd\":");
                    AppendFixed(out, Yards(*m.distance), 2);
                } else {
                    out.append(",\"distance_m\":null,\"distance_yd\":null");
                }
                out.append(m.outlier ? ",\"outlier\":true}}" : ",\"outlier\":false}}");
            }
        }
    }
    for (const Round& round : file.rounds) {
        for (const Hole& hole : round.holes) {
            size_t points = 0;
            for (const Mark& m : hole.marks)
                points += !m.outlier;
            if (points < 2)
                continue;
            next();
            out.append(
                "{\"type\":\"Feature\",\"geometry\":{\"type\":\"LineString\",\"coordinates\":[");
            bool firstPoint = true;
            for (const Mark& m : hole.marks) {
                if (m.outlier)
                    continue;
                if (!firstPoint)
                    out.push_back(',');
                firstPoint = false;
                AppendPosition(out, m);
            }
            out.append("]},\"properties\":{");
            AppendHoleProperties(out, round, hole);
            out.append(",\"strokes\":");
            AppendInt(out, hole.Strokes());
            out.append(",\"putts\":");
            AppendInt(out, hole.Putts());
            out.append("}}");
        }
    }
    out.append("\n]}\n");
}

}  // namespace veldrant::rounds
