#include "rounds/Measure.h"

#include <GeographicLib/Geodesic.hpp>
#include <cmath>
#include <numbers>

namespace veldrant::rounds {
namespace {

// A great-circle distance on a sphere of the ellipsoid's mean radius: within 0.6 % of the
// geodesic, enough to settle most comparisons against the outlier limit without it.
double SphereMetres(const Mark& a, const Mark& b) {
    constexpr double kRad = std::numbers::pi / 180.0;
    constexpr double kMeanRadius = 6371008.8;
    double p1 = a.latitude * kRad, p2 = b.latitude * kRad;
    double dp = p2 - p1, dl = (b.longitude - a.longitude) * kRad;
    double h = std::sin(dp / 2) * std::sin(dp / 2) +
               std::cos(p1) * std::cos(p2) * std::sin(dl / 2) * std::sin(dl / 2);
    return 2 * kMeanRadius * std::asin(std::sqrt(std::min(1.0, h)));
}

bool Within(const Mark& a, const Mark& b, double metres) {
    double rough = SphereMetres(a, b);
    if (rough < metres * 0.99)
        return true;
    if (rough > metres * 1.01)
        return false;
    return GeodesicMetres(a.latitude, a.longitude, b.latitude, b.longitude) <= metres;
}

}  // namespace

double GeodesicMetres(double lat1, double lon1, double lat2, double lon2) {
    double s12 = 0;
    GeographicLib::Geodesic::WGS84().Inverse(lat1, lon1, lat2, lon2, s12);
    return s12;
}

bool OnGlobe(double latitude, double longitude) {
    return std::isfinite(latitude) && std::isfinite(longitude) && std::fabs(latitude) <= 90.0 &&
           std::fabs(longitude) <= 180.0;
}

bool HasPosition(const Mark& m) {
    return !(m.longitude == 0.0 && m.latitude == 0.0) && OnGlobe(m.latitude, m.longitude);
}

void MeasureHole(Hole& hole) {
    std::vector<Mark>& marks = hole.marks;
    const size_t n = marks.size();
    size_t usable = 0;
    for (const Mark& m : marks)
        usable += HasPosition(m);

    // A mark with no usable companion has nothing to be far from: only 0/0 and positions off
    // the globe flag it then.
    for (size_t i = 0; i < n; ++i) {
        Mark& m = marks[i];
        m.distance.reset();
        if (!HasPosition(m)) {
            m.outlier = true;
            continue;
        }
        m.outlier = false;
        if (usable < 2)
            continue;
        bool near = false;
        for (size_t j = 0; j < n && !near; ++j)
            near = j != i && HasPosition(marks[j]) && Within(m, marks[j], kOutlierMetres);
        m.outlier = !near;
    }

    // Each mark that is not an outlier measures to the next one that is not.
    size_t from = n;
    for (size_t i = 0; i < n; ++i) {
        if (marks[i].outlier)
            continue;
        if (from < n) {
            const Mark& a = marks[from];
            marks[from].distance =
                GeodesicMetres(a.latitude, a.longitude, marks[i].latitude, marks[i].longitude);
        }
        from = i;
    }

    hole.teeShot.reset();
    hole.longest.reset();
    hole.longestStroke = 0;
    if (n > 0 && marks[0].kind == MarkKind::Shot && marks[0].distance)
        hole.teeShot = marks[0].distance;
    for (size_t i = 0; i < n; ++i) {
        const Mark& m = marks[i];
        if (m.kind != MarkKind::Shot || !m.distance)
            continue;
        if (!hole.longest || *m.distance > *hole.longest) {
            hole.longest = m.distance;
            hole.longestStroke = static_cast<int>(i) + 1;
        }
    }
}

void MeasureRound(Round& round) {
    for (Hole& hole : round.holes)
        MeasureHole(hole);
}

RoundTotals Totals(const Round& round) {
    RoundTotals t;
    double teeSum = 0;
    for (size_t h = 0; h < round.holes.size(); ++h) {
        const Hole& hole = round.holes[h];
        ++t.holes;
        t.strokes += hole.Strokes();
        t.putts += hole.Putts();
        for (const Mark& m : hole.marks)
            t.outliers += m.outlier;
        if (hole.longest && (!t.longest || *hole.longest > *t.longest)) {
            t.longest = hole.longest;
            t.longestHole = static_cast<int>(h);
            t.longestStroke = hole.longestStroke;
        }
        if (hole.marks.size() >= 2 && hole.teeShot) {
            teeSum += *hole.teeShot;
            ++t.teeShots;
        }
    }
    if (t.teeShots > 0)
        t.averageTeeShot = teeSum / t.teeShots;
    return t;
}

}  // namespace veldrant::rounds
