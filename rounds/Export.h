// The rounds of a mark CSV file in the formats map and GPS programs open: GPX 1.1, KML 2.2 and
// GeoJSON. Each format is one writer in its own file; the table below is what the command line
// and the window offer.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "rounds/Round.h"

namespace veldrant::rounds {

struct ExportOptions {
    // The watch records its local time; the formats take UTC. Minutes east of UTC.
    int utcOffsetMinutes = 9 * 60;
    std::string title = "Rounds";  // the document's name
};

struct ExportFormat {
    std::string_view name;       // "gpx"
    std::string_view extension;  // ".gpx"
    std::string_view summary;
    // Appends the whole document to `out`.
    void (*write)(const RoundFile& file, const ExportOptions& options, std::string& out);
};

std::span<const ExportFormat> ExportFormats();
const ExportFormat* FindExportFormat(std::string_view name);

void WriteGpx(const RoundFile& file, const ExportOptions& options, std::string& out);
void WriteKml(const RoundFile& file, const ExportOptions& options, std::string& out);
void WriteGeoJson(const RoundFile& file, const ExportOptions& options, std::string& out);

// "+09:00", "-05:30", "+00:00" or "Z": minutes east of UTC, at most 14 hours either way.
std::optional<int> ParseUtcOffset(std::string_view text);

}  // namespace veldrant::rounds
