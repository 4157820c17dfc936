#include <algorithm>
#include <array>

#include "rounds/Export.h"

namespace veldrant::rounds {
namespace {

constexpr std::array kFormats = {
    ExportFormat{"gpx", ".gpx", "GPX 1.1: a waypoint per mark, a route per hole", WriteGpx},
    ExportFormat{"kml", ".kml", "KML 2.2: a folder per round and hole, a line per hole", WriteKml},
    ExportFormat{"geojson", ".geojson", "GeoJSON: a point per mark, a line per hole", WriteGeoJson},
};

bool TwoDigits(std::string_view s, size_t at, int& out) {
    if (s[at] < '0' || s[at] > '9' || s[at + 1] < '0' || s[at + 1] > '9')
        return false;
    out = (s[at] - '0') * 10 + (s[at + 1] - '0');
    return true;
}

}  // namespace

std::span<const ExportFormat> ExportFormats() {
    return kFormats;
}

const ExportFormat* FindExportFormat(std::string_view name) {
    auto it = std::find_if(kFormats.begin(), kFormats.end(),
                           [&](const ExportFormat& f) { return f.name == name; });
    return it == kFormats.end() ? nullptr : &*it;
}

std::optional<int> ParseUtcOffset(std::string_view s) {
    if (s == "Z")
        return 0;
    int h = 0, m = 0;
    if (s.size() != 6 || (s[0] != '+' && s[0] != '-') || s[3] != ':' || !TwoDigits(s, 1, h) ||
        !TwoDigits(s, 4, m) || m > 59 || h * 60 + m > 14 * 60)
        return std::nullopt;
    return (s[0] == '-' ? -1 : 1) * (h * 60 + m);
}

}  // namespace veldrant::rounds
