// KML 2.2: a document with three styles and two schemas (the typed data of a mark and of a
// hole), a folder per round, a folder per hole, a placemark per mark (its distance in the
// description and as data; no point for a mark without a position) and a line through the
// hole's marks that are not outliers.
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

// A value of the schema's fields: numbers and words only, nothing to escape.
void AppendData(std::string& out, std::string_view name, std::string_view value) {
    out.append("          <SimpleData name=\"");
    out.append(name);
    out.append("\">");
    out.append(value);
    out.append("</SimpleData>\n");
}

void AppendData(std::string& out, std::string_view name, long long value) {
    char text[24];
    auto r = std::to_chars(text, text + sizeof text, value);
    AppendData(out, name, std::string_view(text, static_cast<size_t>(r.ptr - text)));
}

void AppendMark(std::string& out, const Round& round, std::string_view tag, const Hole& hole,
                size_t i, const ExportOptions& options) {
    const Mark& m = hole.marks[i];
    out.append("      <Placemark>\n");
    out.append("        <name>");
    AppendMarkName(out, tag, hole, i);
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
    out.append("        <ExtendedData><SchemaData schemaUrl=\"#mark\">\n");
    AppendData(out, "round", round.number);
    AppendData(out, "hole", hole.number);
    AppendData(out, "stroke", static_cast<long long>(i) + 1);
    AppendData(out, "kind", KindText(m.kind));
    if (m.distance) {  // a field without a value is left out
        char text[32];
        auto r = std::to_chars(text, text + sizeof text, *m.distance, std::chars_format::fixed, 2);
        AppendData(out, "distance_m", std::string_view(text, static_cast<size_t>(r.ptr - text)));
        r = std::to_chars(text, text + sizeof text, Yards(*m.distance), std::chars_format::fixed,
                          2);
        AppendData(out, "distance_yd", std::string_view(text, static_cast<size_t>(r.ptr - text)));
    }
    AppendData(out, "outlier", m.outlier ? "1" : "0");
    out.append("        </SchemaData></ExtendedData>\n");
    if (HasPosition(m)) {
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
    out.reserve(out.size() + ExpectedBytes(file, 1000));
    AppendName(out, "  ", options.title);
    out.append(
        "  <Style id=\"shot\"><IconStyle><color>ff00c0ff</color></IconStyle></Style>\n"
        "  <Style id=\"putt\"><IconStyle><color>ff40ff40</color><scale>0.8</scale></IconStyle>"
        "</Style>\n"
        "  <Style id=\"line\"><LineStyle><color>ff0000ff</color><width>2</width></LineStyle>"
        "</Style>\n"
        "  <Schema name=\"mark\" id=\"mark\">\n"
        "    <SimpleField type=\"int\" name=\"round\"/>\n"
        "    <SimpleField type=\"int\" name=\"hole\"/>\n"
        "    <SimpleField type=\"int\" name=\"stroke\"/>\n"
        "    <SimpleField type=\"string\" name=\"kind\"/>\n"
        "    <SimpleField type=\"double\" name=\"distance_m\"/>\n"
        "    <SimpleField type=\"double\" name=\"distance_yd\"/>\n"
        "    <SimpleField type=\"bool\" name=\"outlier\"/>\n"
        "  </Schema>\n"
        "  <Schema name=\"hole\" id=\"hole\">\n"
        "    <SimpleField type=\"int\" name=\"round\"/>\n"
        "    <SimpleField type=\"int\" name=\"hole\"/>\n"
        "    <SimpleField type=\"int\" name=\"strokes\"/>\n"
        "    <SimpleField type=\"int\" name=\"putts\"/>\n"
        "  </Schema>\n");
    const std::vector<std::string> tags = RoundTags(file);
    for (size_t r = 0; r < file.rounds.size(); ++r) {
        const Round& round = file.rounds[r];
        out.append("  <Folder>\n");
        AppendName(out, "    ",
                   "Round " + std::to_string(round.number) + ": " + DateText(round.start) + " " +
                       round.golfCourseName);
        for (const Hole& hole : round.holes) {
            out.append("    <Folder>\n");
            AppendName(
                out, "      ",
                tags[r] + " Hole " + std::to_string(hole.number) + " (" + hole.courseName + ")");
            for (size_t i = 0; i < hole.marks.size(); ++i)
                AppendMark(out, round, tags[r], hole, i, options);
            size_t points = 0;
            for (const Mark& m : hole.marks)
                points += !m.outlier;
            if (points >= 2) {
                out.append("      <Placemark>\n");
                AppendName(out, "        ", HoleName(tags[r], hole));
                out.append(
                    "        <styleUrl>#line</styleUrl>\n"
                    "        <ExtendedData><SchemaData schemaUrl=\"#hole\">\n");
                AppendData(out, "round", round.number);
                AppendData(out, "hole", hole.number);
                AppendData(out, "strokes", hole.Strokes());
                AppendData(out, "putts", hole.Putts());
                out.append(
                    "        </SchemaData></ExtendedData>\n"
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
