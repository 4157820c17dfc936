#include "logbook/Handicap.h"

#include <algorithm>
#include <numeric>

namespace veldrant::logbook {
namespace {

// n / d to the nearest integer, halves away from zero; d > 0.
long long DivideRounded(long long n, long long d) {
    return n >= 0 ? (n + d / 2) / d : -((-n + d / 2) / d);
}

struct Table {
    int lowest;
    int adjustmentTenths;
};

// By the number of differentials in the record, 3 to 20.
constexpr Table kTable[] = {
    {1, -20}, {1, -10}, {1, 0}, {2, -10}, {2, 0}, {2, 0}, {3, 0}, {3, 0}, {3, 0},
    {4, 0},   {4, 0},   {4, 0}, {5, 0},   {5, 0}, {6, 0}, {6, 0}, {7, 0}, {8, 0},
};

}  // namespace

int StrokesReceived(int courseHandicap, int strokeIndex) {
    if (courseHandicap >= 0)
        return courseHandicap / 18 + (strokeIndex <= courseHandicap % 18 ? 1 : 0);
    int plus = -courseHandicap;
    return -(plus / 18 + (strokeIndex > 18 - plus % 18 ? 1 : 0));
}

int CourseHandicap(int indexTenths, int slope, int ratingTenths, int par) {
    // In 1130ths of a stroke: index × slope + 113 × (rating − par).
    long long n = static_cast<long long>(indexTenths) * slope + 113LL * (ratingTenths - 10 * par);
    return static_cast<int>(DivideRounded(n, 1130));
}

int ScoreDifferentialTenths(int adjustedGross, int ratingTenths, int slope) {
    long long n = 113LL * (10LL * adjustedGross - ratingTenths);
    return static_cast<int>(DivideRounded(n, std::max(slope, 1)));
}

std::optional<int> IndexTenths(std::span<const int> differentials, int* used) {
    if (used)
        *used = 0;
    if (differentials.size() < 3)
        return std::nullopt;
    std::vector<int> recent(differentials.end() - std::min<size_t>(differentials.size(), 20),
                            differentials.end());
    const Table& t = kTable[recent.size() - 3];
    std::partial_sort(recent.begin(), recent.begin() + t.lowest, recent.end());
    long long sum = std::accumulate(recent.begin(), recent.begin() + t.lowest, 0LL);
    long long index = DivideRounded(sum, t.lowest) + t.adjustmentTenths;
    if (used)
        *used = t.lowest;
    return static_cast<int>(std::min<long long>(index, kMaximumIndexTenths));
}

HandicapResult ComputeHandicap(std::span<const HandicapRound> rounds) {
    HandicapResult result;
    std::vector<int> differentials;
    for (const HandicapRound& r : rounds) {
        HandicapScore s;
        s.id = r.id;
        s.start = r.start;
        s.indexBeforeTenths = IndexTenths(differentials);
        const int par = std::accumulate(r.par.begin(), r.par.end(), 0);
        const int courseHandicap =
            s.indexBeforeTenths ? CourseHandicap(*s.indexBeforeTenths, r.slope, r.ratingTenths, par)
                                : 0;
        for (size_t h = 0; h < r.strokes.size(); ++h) {
            int most = s.indexBeforeTenths
                           ? r.par[h] + 2 + StrokesReceived(courseHandicap, r.strokeIndex[h])
                           : r.par[h] + 5;
            s.gross += r.strokes[h];
            s.adjustedGross += std::min(r.strokes[h], most);
        }
        s.differentialTenths = ScoreDifferentialTenths(s.adjustedGross, r.ratingTenths, r.slope);
        differentials.push_back(s.differentialTenths);
        result.scores.push_back(s);
    }
    result.indexTenths = IndexTenths(differentials, &result.used);
    return result;
}

}  // namespace veldrant::logbook
