// GPX 1.1: metadata, then every mark with a position as a waypoint (time in UTC, name
// "2016-05-03 H3 S2", type shot or putt), then one route per hole through its marks that are not
// outliers; the route's description names the hole's marks without a position (0/0), which GPX
// has no place for. Elements stand in the order the GPX schema's sequences give.
#include "rounds/Export.h"
#include "rounds/ExportText.h"
#include "rounds/Measure.h"

namespace veldrant::rounds {
namespace {

using namespace text;

void AppendPlace(std::string& out, const Mark& m) {
    out.append(" lat=\"");
    AppendFixed(out, m.latitude, 6);
    out.append("\" lon=\"");
    AppendFixed(out, m.longitude, 6);
    out.append("\"");
}

void AppendElement(std::string& out, std::string_view indent, std::string_view name,
                   std::string_view value) {
    out.append(indent);
    out.push_back('<');
    out.append(name);
    out.push_back('>');
    AppendXml(out, value);
    out.append("</");
    out.append(name);
    out.append(">\n");
}

// <time>...</time> when the watch's time is a calendar time.
void AppendTime(std::string& out, std::string_view indent, const Mark& m, int offset) {
    const size_t at = out.size();
    out.append(indent);
    out.append("<time>");
    if (AppendUtc(out, m.time, offset))
        out.append("</time>\n");
    else
        out.resize(at);
}

void AppendName(std::string& out, std::string_view indent, std::string_view tag, const Hole& hole,
                size_t i) {
    out.append(indent);
    out.append("<name>");
    AppendMarkName(out, tag, hole, i);
    out.append("</name>\n");
}

std::string HoleText(const Round& round, const Hole& hole) {
    std::string s = "Round ";
    AppendInt(s, round.number);
    s.append(", ");
    s.append(DateText(round.start));
    s.append(", ");
    s.append(round.golfCourseName);
    s.append(", ");
    s.append(hole.courseName);
    s.append(" hole ");
    AppendInt(s, hole.number);
    return s;
}

}  // namespace

void WriteGpx(const RoundFile& file, const ExportOptions& options, std::string& out) {
    out.append(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<gpx version=\"1.1\" creator=\"Veldrant\" xmlns=\"http://www.topografix.com/GPX/1/1\" "
        "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
        "xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1 "
        "http://www.topografix.com/GPX/1/1/gpx.xsd\">\n"
        "  <metadata>\n");
    out.reserve(out.size() + ExpectedBytes(file, 520));
    AppendElement(out, "    ", "name", options.title);
    out.append("  </metadata>\n");

    const std::vector<std::string> tags = RoundTags(file);
    for (size_t r = 0; r < file.rounds.size(); ++r) {
        const Round& round = file.rounds[r];
        for (const Hole& hole : round.holes) {
            std::string where;  // escaped once for all the hole's marks
            AppendXml(where, HoleText(round, hole));
            for (size_t i = 0; i < hole.marks.size(); ++i) {
                const Mark& m = hole.marks[i];
                if (!HasPosition(m))
                    continue;  // named in the hole's route
                out.append("  <wpt");
                AppendPlace(out, m);
                out.append(">\n");
                AppendTime(out, "    ", m, options.utcOffsetMinutes);
                AppendName(out, "    ", tags[r], hole, i);
                out.append("    <desc>");
                out.append(where);
                out.append(": ");
                AppendMarkSummary(out, m);
                out.append("</desc>\n");
                AppendElement(out, "    ", "type", KindText(m.kind));
                out.append("  </wpt>\n");
            }
        }
    }
    for (size_t r = 0; r < file.rounds.size(); ++r) {
        const Round& round = file.rounds[r];
        for (const Hole& hole : round.holes) {
            out.append("  <rte>\n");
            AppendElement(out, "    ", "name", HoleName(tags[r], hole));
            std::string desc = HoleText(round, hole);
            const char* lead = "; without a position: ";
            for (size_t i = 0; i < hole.marks.size(); ++i) {
                if (HasPosition(hole.marks[i]))
                    continue;
                desc.append(lead);
                lead = "; ";
                AppendMarkName(desc, tags[r], hole, i);
                desc.append(" (");
                AppendMarkSummary(desc, hole.marks[i]);
                desc.push_back(')');
            }
            AppendElement(out, "    ", "desc", desc);
            for (size_t i = 0; i < hole.marks.size(); ++i) {
                const Mark& m = hole.marks[i];
                if (m.outlier)
                    continue;
                out.append("    <rtept");
                AppendPlace(out, m);
                out.append(">\n");
                AppendTime(out, "      ", m, options.utcOffsetMinutes);
                AppendName(out, "      ", tags[r], hole, i);
                AppendElement(out, "      ", "type", KindText(m.kind));
                out.append("    </rtept>\n");
            }
            out.append("  </rte>\n");
        }
    }
    out.append("</gpx>\n");
}

}  // namespace veldrant::rounds
