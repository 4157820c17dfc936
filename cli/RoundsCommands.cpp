// veldrant-cli rounds show / export / pictures: the rounds of a mark CSV file with each shot's
// distance, in GPX, KML or GeoJSON, and as pictures of every hole.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>

#include "cli/Command.h"
#include "cli/OutputFiles.h"
#include "platform/File.h"
#include "rounds/Export.h"
#include "rounds/ExportText.h"
#include "rounds/Measure.h"
#include "rounds/Picture.h"
#include "rounds/RoundReader.h"

namespace veldrant::cli {
namespace {

namespace fs = std::filesystem;
using namespace veldrant::rounds;

struct Args {
    std::optional<std::string> input;
    std::optional<std::string> output;
    std::optional<std::string> format;
    int utcOffset = 9 * 60;
    bool json = false;
};

std::optional<RoundFile> Load(const std::string& path) {
    ReadResult r = LoadRounds(path);
    if (!r.ok()) {
        std::fprintf(stderr, "veldrant-cli: %s\n", r.error.c_str());
        return std::nullopt;
    }
    return std::move(r.file);
}

// Terminal columns a UTF-8 text takes: East Asian wide characters count two.
size_t Columns(std::string_view s) {
    size_t cols = 0;
    for (size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        uint32_t cp = c;
        size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        if (n > 1 && i + n <= s.size()) {
            cp = c & (0x7F >> n);
            for (size_t k = 1; k < n; ++k)
                cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        }
        bool wide = (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF) ||
                    (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
                    (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
                    (cp >= 0xFFE0 && cp <= 0xFFE6);
        cols += wide ? 2 : 1;
        i += n;
    }
    return cols;
}

std::string Padded(const std::string& s, size_t width) {
    size_t cols = Columns(s);
    return cols >= width ? s : s + std::string(width - cols, ' ');
}

// Yards, whole above 10, one decimal below (putts).
std::string Yd(double metres) {
    std::string s;
    double y = Yards(metres);
    text::AppendFixed(s, y, y < 10 ? 1 : 0);
    return s;
}

std::string OptionalYd(const std::optional<double>& metres) {
    return metres ? Yd(*metres) + " yd" : "-";
}

std::string ShowText(const RoundFile& file) {
    std::string out;
    if (file.rounds.empty())
        return "The file holds no rounds (the import found no marks).\n";
    for (const Round& round : file.rounds) {
        RoundTotals t = Totals(round);
        char head[160];
        std::snprintf(head, sizeof head, "Round %d  %s %s  ", round.number,
                      DateText(round.start).c_str(), ClockText(round.start).c_str());
        out += head + round.golfCourseName + " (golf course " + std::to_string(round.golfCourseId) +
               "; mark set " + std::to_string(round.set) + ", session " +
               std::to_string(round.session) + ")\n";
        size_t courseWidth = 6;
        for (const Hole& h : round.holes)
            courseWidth = std::max(courseWidth, Columns(h.courseName));
        out += "  Hole  " + Padded("Course", courseWidth) +
               "  Strokes  Putts  Tee shot    Longest     Each mark to the next (yd)\n";
        for (const Hole& h : round.holes) {
            char cells[96];
            std::snprintf(cells, sizeof cells, "  %4d  ", h.number);
            out += cells + Padded(h.courseName, courseWidth);
            std::snprintf(cells, sizeof cells, "  %7d  %5d  %-10s  %-10s  ", h.Strokes(), h.Putts(),
                          OptionalYd(h.teeShot).c_str(), OptionalYd(h.longest).c_str());
            out += cells;
            for (size_t i = 0; i < h.marks.size(); ++i) {
                const Mark& m = h.marks[i];
                if (i)
                    out += ' ';
                out += m.kind == MarkKind::Putt ? "p" : "";
                out += m.outlier ? "outlier" : m.distance ? Yd(*m.distance) : "-";
            }
            out += '\n';
        }
        out += "  Total: " + std::to_string(t.holes) + " holes, " + std::to_string(t.strokes) +
               " strokes, " + std::to_string(t.putts) + " putts";
        if (t.longest)
            out += "; longest shot " + DistanceLabel(*t.longest) + " (hole " +
                   std::to_string(round.holes[static_cast<size_t>(t.longestHole)].number) +
                   ", stroke " + std::to_string(t.longestStroke) + ")";
        if (t.averageTeeShot)
            out += "; average tee shot " + DistanceLabel(*t.averageTeeShot) + " over " +
                   std::to_string(t.teeShots) + (t.teeShots == 1 ? " hole" : " holes");
        if (t.outliers)
            out += "; " + std::to_string(t.outliers) + " outlier mark" +
                   (t.outliers == 1 ? "" : "s") + " without distance";
        out += "\n";
        if (!round.scores.empty()) {
            out += "  Score lines as the file gives them (tag, word, 18 values):\n";
            for (const ScoreLine& s : round.scores) {
                out += "    " + Padded(s.tag, 4) + " " + std::to_string(s.word);
                for (int v : s.values)
                    out += " " + std::to_string(v);
                out += "\n";
            }
        }
        out += "\n";
    }
    out +=
        "Strokes and putts are counted from the marks, not taken from the score card. 'p' marks\n"
        "a putt; a distance runs from a mark to the hole's next mark that is not an outlier.\n";
    return out;
}

nlohmann::ordered_json Metres(const std::optional<double>& m) {
    return m ? nlohmann::ordered_json(std::round(*m * 100) / 100) : nlohmann::ordered_json();
}
nlohmann::ordered_json YardsJson(const std::optional<double>& m) {
    return m ? nlohmann::ordered_json(std::round(Yards(*m) * 100) / 100) : nlohmann::ordered_json();
}

std::string ShowJson(const RoundFile& file, const std::string& path) {
    using json = nlohmann::ordered_json;
    json rounds = json::array();
    for (const Round& round : file.rounds) {
        RoundTotals t = Totals(round);
        json holes = json::array();
        for (const Hole& h : round.holes) {
            json marks = json::array();
            for (size_t i = 0; i < h.marks.size(); ++i) {
                const Mark& m = h.marks[i];
                marks.push_back({{"stroke", i + 1},
                                 {"kind", text::KindText(m.kind)},
                                 {"date", DateText(m.time)},
                                 {"time", ClockText(m.time)},
                                 {"longitude", m.longitude},
                                 {"latitude", m.latitude},
                                 {"distance_m", Metres(m.distance)},
                                 {"distance_yd", YardsJson(m.distance)},
                                 {"outlier", m.outlier},
                                 {"line", m.line}});
            }
            holes.push_back({{"courseId", h.courseId},
                             {"course", h.courseName},
                             {"hole", h.number},
                             {"strokes", h.Strokes()},
                             {"putts", h.Putts()},
                             {"teeShot_m", Metres(h.teeShot)},
                             {"teeShot_yd", YardsJson(h.teeShot)},
                             {"longest_m", Metres(h.longest)},
                             {"longest_yd", YardsJson(h.longest)},
                             {"marks", marks}});
        }
        json scores = json::array();
        for (const ScoreLine& s : round.scores)
            scores.push_back(
                {{"tag", s.tag}, {"word", s.word}, {"values", s.values}, {"line", s.line}});
        rounds.push_back(
            {{"round", round.number},
             {"set", round.set},
             {"session", round.session},
             {"date", DateText(round.start)},
             {"time", ClockText(round.start)},
             {"golfCourseId", round.golfCourseId},
             {"golfCourse", round.golfCourseName},
             {"holes", holes},
             {"totals",
              {{"countedFrom", "marks"},
               {"holes", t.holes},
               {"strokes", t.strokes},
               {"putts", t.putts},
               {"outliers", t.outliers},
               {"longest_m", Metres(t.longest)},
               {"longest_yd", YardsJson(t.longest)},
               {"longestHole", t.longestHole >= 0
                                   ? json(round.holes[static_cast<size_t>(t.longestHole)].number)
                                   : json()},
               {"longestStroke", t.longest ? json(t.longestStroke) : json()},
               {"averageTeeShot_m", Metres(t.averageTeeShot)},
               {"averageTeeShot_yd", YardsJson(t.averageTeeShot)},
               {"teeShotHoles", t.teeShots}}},
             {"scoreTime", round.hasScoreTime ? json(ClockText(round.scoreTime)) : json()},
             {"scores", scores}});
    }
    json doc = {{"file", path}, {"markSets", file.markSets}, {"rounds", rounds}};
    return doc.dump(2) + "\n";
}

int Show(const Args& parsed) {
    const Args* a = &parsed;
    auto file = Load(*a->input);
    if (!file)
        return kExitFailure;
    const std::string out = a->json ? ShowJson(*file, *a->input) : ShowText(*file);
    std::fwrite(out.data(), 1, out.size(), stdout);
    return kExitOk;
}

int Export(const Args& parsed) {
    const Args* a = &parsed;
    const ExportFormat* format = a->format ? FindExportFormat(*a->format) : nullptr;
    if (!format) {
        std::string names;
        for (const ExportFormat& f : ExportFormats())
            names += (names.empty() ? "" : ", ") + std::string(f.name);
        std::fprintf(stderr, "veldrant-cli: rounds export needs --format, one of %s\n",
                     names.c_str());
        return kExitUsage;
    }
    auto file = Load(*a->input);
    if (!file)
        return kExitFailure;
    if (file->rounds.empty()) {  // a document without a mark is no export
        std::fprintf(stderr, "veldrant-cli: '%s' holds no rounds: nothing to export\n",
                     a->input->c_str());
        return kExitFailure;
    }
    ExportOptions options;
    options.utcOffsetMinutes = a->utcOffset;
    // Paths are UTF-8 words; std::filesystem takes them through Utf8Path (on Windows a plain
    // string would be read in the ANSI code page).
    const fs::path input = platform::Utf8Path(*a->input);
    options.title = platform::PathUtf8(input.filename());
    std::string doc;
    format->write(*file, options, doc);
    if (a->output && *a->output == "-") {
        platform::BinaryStdout();
        std::fwrite(doc.data(), 1, doc.size(), stdout);
        return kExitOk;
    }
    std::string out = a->output.value_or(
        platform::PathUtf8(fs::path(input).replace_extension(std::string(format->extension))));
    std::error_code ec;
    if (!a->output && fs::exists(fs::symlink_status(platform::Utf8Path(out), ec))) {
        std::fprintf(stderr, "veldrant-cli: '%s' exists: name the output with -o\n", out.c_str());
        return kExitFailure;
    }
    if (!WriteWholeFile(out, doc))
        return kExitFailure;
    size_t marks = 0;
    for (const Round& r : file->rounds)
        marks += r.MarkCount();
    std::printf("%s: %s, %s\n", out.c_str(), Count(file->rounds.size(), "round", "rounds").c_str(),
                Count(marks, "mark", "marks").c_str());
    return kExitOk;
}

std::string NumberedName(const char* pattern, int a, int b = 0, int c = 0) {
    char name[64];
    std::snprintf(name, sizeof name, pattern, a, b, c);
    return name;
}

int Pictures(const Args& parsed) {
    const Args* a = &parsed;
    auto file = Load(*a->input);
    if (!file)
        return kExitFailure;
    if (!MakeOutputFolderOrSay(*a->output))
        return kExitFailure;
    size_t written = 0;
    // Names come from numbers only: the round, the hole's place in the round and its number.
    for (const Round& round : file->rounds) {
        const fs::path dir = platform::Utf8Path(*a->output);
        if (!WriteWholeFile(platform::PathUtf8(dir / NumberedName("round%03d.svg", round.number)),
                            PictureSvg(RoundPicture(round))))
            return kExitFailure;
        ++written;
        for (size_t h = 0; h < round.holes.size(); ++h) {
            std::string name = NumberedName("round%03d-%02d-hole%02d.svg", round.number,
                                            static_cast<int>(h + 1), round.holes[h].number);
            if (!WriteWholeFile(platform::PathUtf8(dir / name), PictureSvg(HolePicture(round, h))))
                return kExitFailure;
            ++written;
        }
    }
    std::printf("%s: %s written\n", a->output->c_str(),
                Count(written, "picture", "pictures").c_str());
    return kExitOk;
}

// The options of one rounds command: FILE.csv, and what `command` takes of -o, --json,
// --format and --utc-offset.
void AddRoundsOptions(CommandLine& line, CLI::App& c, Args& a, const std::string& command) {
    line.Input(
        c.add_option("FILE.csv", a.input, "a mark CSV file from the mark import")->required());
    if (command == "Show")
        c.add_flag("--json", a.json, "print the same as one JSON document");
    if (command == "Export") {
        std::vector<std::string> names;
        for (const ExportFormat& f : ExportFormats())
            names.emplace_back(f.name);
        c.add_option("--format", a.format, "the format to write")
            ->required()
            ->check(CLI::IsMember(names))
            ->type_name("gpx|kml|geojson");
        line.Output(c.add_option("-o,--output", a.output,
                                 "the file to write (- for standard output); default: FILE with "
                                 "the format's extension")
                        ->type_name("OUT"));
        c.add_option_function<std::string>(
             "--utc-offset", [&a](const std::string& text) { a.utcOffset = *ParseUtcOffset(text); },
             "the watch's offset from UTC, +HH:MM or -HH:MM (default +09:00)")
            ->type_name("+HH:MM")
            ->check(CLI::Validator(
                [](std::string& text) -> std::string {
                    return ParseUtcOffset(text) ? ""
                                                : "takes +HH:MM or -HH:MM (at most 14 hours), "
                                                  "not '" +
                                                      text + "'";
                },
                "+HH:MM"));
    }
    if (command == "Pictures")
        c.add_option("-o,--output", a.output, "the folder to write into (made if need be)")
            ->type_name("DIR")
            ->required();
}

const CommandRegistration kShow([](CommandLine& line) {
    auto a = std::make_shared<Args>();
    CLI::App& c = line.Add(
        {"rounds show", "FILE.csv [--json]", "each round of a mark CSV file with its distances",
         "Reads a mark CSV file written by the mark import and prints every round (one session: a\n"
         "day at one golf course) as a table: each hole in the order played with its strokes and\n"
         "putts counted from the marks, the tee shot, the longest shot and each mark's distance "
         "to\n"
         "the next, in yards; then the round's totals and the score lines the file gives.\n"
         "Distances are geodesics on the WGS84 ellipsoid. A mark at 0/0 or more than 1000 m from\n"
         "every other mark of its hole is an outlier: it gets no distance and is stepped over.\n"
         "--json prints the same as one JSON document, with metres and yards.\n\n"
         "Exit status 1 when the file is not a mark CSV file or is damaged (the line is named)."},
        [a] { return Show(*a); });
    AddRoundsOptions(line, c, *a, "Show");
});

const CommandRegistration kExport([](CommandLine& line) {
    auto a = std::make_shared<Args>();
    CLI::App& c = line.Add(
        {"rounds export", "FILE.csv --format gpx|kml|geojson [-o OUT] [--utc-offset +09:00]",
         "the rounds of a mark CSV file as GPX, KML or GeoJSON",
         "Writes the rounds of FILE.csv in a format that map and GPS programs open:\n"
         "  gpx      GPX 1.1: a waypoint per mark (\"H3 S2\", type shot or putt), a route per "
         "hole\n"
         "  kml      KML 2.2: a folder per round and per hole, a placemark per mark, a line per "
         "hole\n"
         "  geojson  GeoJSON (RFC 7946): a point per mark, a line per hole\n"
         "The watch records its local time; times are written in UTC using --utc-offset (default\n"
         "+09:00). Without -o the output is FILE with the format's extension, never replacing a\n"
         "file that exists; -o - writes to standard output. Files are written whole or not at "
         "all."},
        [a] { return Export(*a); });
    AddRoundsOptions(line, c, *a, "Export");
});

const CommandRegistration kPictures([](CommandLine& line) {
    auto a = std::make_shared<Args>();
    CLI::App& c = line.Add(
        {"rounds pictures", "FILE.csv -o DIR", "a picture of every hole and round as SVG files",
         "Draws each hole of every round of FILE.csv into DIR as roundRRR-NN-holeHH.svg (NN: the\n"
         "hole's place in the round, HH: its number) and each round's overview as roundRRR.svg:\n"
         "numbered marks (shots orange circles, putts green squares), the lines between them with\n"
         "their distances, a scale bar and a north arrow, in a local east/north projection.\n"
         "Outlier marks are left out of the pictures and counted in a note."},
        [a] { return Pictures(*a); });
    AddRoundsOptions(line, c, *a, "Pictures");
});

}  // namespace
}  // namespace veldrant::cli
