// The figures of a round: each mark's outlier flag and distance, each hole's tee shot and longest
// shot, and the round's totals. Distances are geodesics on the WGS84 ellipsoid.
#pragma once

#include <optional>

#include "rounds/Round.h"

namespace veldrant::rounds {

// A mark this far (metres) from every other mark of its hole is an outlier.
inline constexpr double kOutlierMetres = 1000.0;

// Geodesic distance in metres between two points given in degrees.
double GeodesicMetres(double lat1, double lon1, double lat2, double lon2);

// A position that can stand on the globe: latitude -90..90, longitude -180..180.
bool OnGlobe(double latitude, double longitude);
// A mark with a place to draw: on the globe and not at 0/0, where a watch without a fix puts it.
bool HasPosition(const Mark& mark);

// Fills in the hole's outlier flags, distances, tee shot and longest shot.
void MeasureHole(Hole& hole);
void MeasureRound(Round& round);

struct RoundTotals {
    int holes = 0;
    int strokes = 0;  // marks
    int putts = 0;    // putt marks
    int outliers = 0;
    std::optional<double> longest;  // the round's longest shot
    int longestHole = -1;           // index into holes
    int longestStroke = 0;
    std::optional<double> averageTeeShot;  // over holes with at least two marks and a tee shot
    int teeShots = 0;                      // how many holes the average is over
};

RoundTotals Totals(const Round& round);

}  // namespace veldrant::rounds
