// KML 2.2: a document with three styles, a folder per round, a folder per hole, a placemark per
// mark (its distance in the description and as data) and a line through the hole's marks that
// are not outliers.
#include <charconv>

#include "rounds/Export.h"
#include "rounds/ExportText.h"
#include "rounds/Measure.h"

namespace veldrant::rounds {
namespace {

using namespace text;

void AppendName(std::string& out, std::string_view indent, std::string_view name) {
    out.append(indent);
    out.append("<name>");
    AppendXml(out, name);
    out.append("</name>\n");
}

void AppendCoordinates(std::string& out, const Mark& m) {
    AppendFixed(out, m.longitude, 6);
    out.push_back(',');
    AppendFixed(out, m.latitude, 6);
}

void AppendData(std::string& out, std::string_view name, std::string_view value) {
    out.append("          <Data name=\"");
    out.append(name);
    out.append("\"><value>");
    out.append(value);  // numbers and words only
    out.append("</value></Data>\n");
}

void AppendMark(std::string& out, const Hole& hole, size_t i, const ExportOptions& options) {
    const Mark& m = hole.marks[i];
    out.append("      <Placemark>\n");
    out.append("        <name>");
    AppendMarkName(out, hole, i);
    out.append("</name>\n        <description>");
    AppendMarkSummary(out, m);
    out.append("</description>\n");
    const size_t at = out.size();
    out.append("        <TimeStamp><when>");
    if (AppendUtc(out, m.time, options.utcOffsetMinutes))
        out.append("</when></TimeStamp>\n");
    else
        out.resize(at);
    out.append(m.kind == MarkKind::Putt ? "        <styleUrl>#putt</styleUrl>\n"
                                        : "        <styleUrl>#shot</styleUrl>\n");
    out.append("        <ExtendedData>\n");
    AppendData(out, "kind", KindText(m.kind));
    char metresText[32] = "", yardsText[32] = "";
    std::string_view metres, yards;
    if (m.distance) {
        auto r = std::to_chars(metresText, metresText + sizeof metresText, *m.distance,
                               std::chars_format::fixed, 2);
        metres = std::string_view(metresText, static_cast<size_t>(r.ptr - metresText));
        r = std::to_chars(yardsText, yardsText + sizeof yardsText, Yards(*m.distance),
                          std::chars_format::fixed, 2);
        yards = std::string_view(yardsText, static_cast<size_t>(r.ptr - yardsText));
    }
    AppendData(out, "distance_m", metres);
    AppendData(out, "distance_yd", yards);
    AppendData(out, "outlier", m.outlier ? "true" : "false");
    out.append("        </ExtendedData>\n");
    if (OnGlobe(m.latitude, m.longitude)) {
        out.append("        <Point><coordinates>");
        AppendCoordinates(out, m);
        out.append("</coordinates></Point>\n");
    }
    out.append("      </Placemark>\n");
}

}  // namespace

void WriteKml(const RoundFile& file, const ExportOptions& options, std::string& out) {
    out.append(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n"
        "<Document>\n");
    out.reserve(out.size() + ExpectedBytes(file, 800));
    AppendName(out, "  ", options.title);
    out.append(
        "  <Style id=\"shot\"><IconStyle><color>ff00c0ff</color></IconStyle></Style>\n"
        "  <Style id=\"putt\"><IconStyle><color>ff40ff40</color><scale>0.8</scale></IconStyle>"
        "</Style>\n"
        "  <Style id=\"line\"><LineStyle><color>ff0000ff</color><width>2</width></LineStyle>"
        "</Style>\n");
    for (const Round& round : file.rounds) {
        out.append("  <Folder>\n");
        AppendName(out, "    ",
                   "Round " + std::to_string(round.number) + ": " + DateText(round.start) + " " +
                       round.golfCourseName);
        for (const Hole& hole : round.holes) {
            out.append("    <Folder>\n");
            AppendName(out, "      ",
                       "Hole " + std::to_string(hole.number) + " (" + hole.courseName + ")");
            for (size_t i = 0; i < hole.marks.size(); ++i)
                AppendMark(out, hole, i, options);
            size_t points = 0;
            for (const Mark& m : hole.marks)
                points += !m.outlier;
            if (points >= 2) {
                out.append("      <Placemark>\n");
                AppendName(out, "        ", "H" + std::to_string(hole.number));
                out.append(
                    "        <styleUrl>#line</styleUrl>\n"
                    "        <LineString><tessellate>1</tessellate><coordinates>");
                bool first = true;
                for (const Mark& m : hole.marks) {
                    if (m.outlier)
                        continue;
                    if (!first)
                        out.push_back(' ');
                    first = false;
                    AppendCoordinates(out, m);
                }
                out.append("</coordinates></LineString>\n      </Placemark>\n");
            }
            out.append("    </Folder>\n");
        }
        out.append("  </Folder>\n");
    }
    out.append("</Document>\n</kml>\n");
}

}  // namespace veldrant::rounds
