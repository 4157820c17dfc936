#include "logbook/Statistics.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

namespace veldrant::logbook {
namespace {

struct Mean {
    double sum = 0;
    int n = 0;
    void Add(double v) {
        sum += v;
        ++n;
    }
    std::optional<double> Value() const {
        return n ? std::optional<double>(sum / n) : std::nullopt;
    }
};

struct HoleSums {
    int played = 0;
    double strokes = 0, putts = 0, toPar = 0;
    int withPar = 0;
};

Day DayOf(const rounds::LocalTime& t) {
    return {t.year, t.month, t.day};
}

auto StartKey(const LoggedRound& r) {
    const rounds::LocalTime& t = r.round.start;
    return std::tuple(t.year, t.month, t.day, t.hour, t.minute, t.second, r.id);
}

std::optional<int> Lookup(const std::map<HoleKey, int>& table, const HoleKey& key) {
    auto it = table.find(key);
    return it == table.end() ? std::nullopt : std::optional<int>(it->second);
}

HoleFigures Figures(int golfCourseId, int courseId, int hole, const HoleSums& s) {
    HoleFigures f{golfCourseId,         courseId,           hole,        s.played,
                  s.strokes / s.played, s.putts / s.played, std::nullopt};
    if (s.withPar == s.played)
        f.toPar = s.toPar / s.played;
    return f;
}

// Within each golf course the hardest hole first: the most over par when every hole has par,
// else the most strokes.
void SortHardestFirst(std::vector<HoleFigures>& holes) {
    std::map<int, bool> allPar;
    for (const HoleFigures& h : holes) {
        auto [it, added] = allPar.emplace(h.golfCourseId, true);
        it->second = it->second && h.toPar.has_value();
    }
    std::stable_sort(holes.begin(), holes.end(), [&](const HoleFigures& a, const HoleFigures& b) {
        if (a.golfCourseId != b.golfCourseId)
            return a.golfCourseId < b.golfCourseId;
        double ka = allPar[a.golfCourseId] ? *a.toPar : a.strokes;
        double kb = allPar[b.golfCourseId] ? *b.toPar : b.strokes;
        if (ka != kb)
            return ka > kb;
        return a.hole < b.hole;
    });
}

std::optional<double> Median(std::vector<double> v) {
    if (v.empty())
        return std::nullopt;
    std::sort(v.begin(), v.end());
    size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

std::optional<double> Rate(int part, int whole) {
    return whole ? std::optional<double>(static_cast<double>(part) / whole) : std::nullopt;
}

// Rolling averages over the last five cards of the point's kind.
void AddRollingAverages(std::vector<TrendPoint>& trend) {
    std::map<CardKind, std::vector<size_t>> seen;
    for (size_t i = 0; i < trend.size(); ++i) {
        TrendPoint& p = trend[i];
        if (!p.score || p.kind == CardKind::Partial)
            continue;
        std::vector<size_t>& same =
            seen[p.kind == CardKind::Eighteen ? CardKind::Eighteen : CardKind::FrontNine];
        same.push_back(i);
        if (same.size() < 5)
            continue;
        Mean score, putts;
        for (size_t j = same.size() - 5; j < same.size(); ++j) {
            score.Add(*trend[same[j]].score);
            putts.Add(*trend[same[j]].putts);
        }
        p.scoreAverage5 = score.Value();
        p.puttsAverage5 = putts.Value();
    }
}

class Collector {
public:
    explicit Collector(const CourseSetup& setup) : setup_(setup) {}

    void Add(const LoggedRound& r);
    Stats Finish();

private:
    void AddCard(const LoggedRound& r, const Card& card, TrendPoint& point);
    void AddMarks(const LoggedRound& r);

    const CourseSetup& setup_;
    Stats stats_;
    Mean score18_, putts18_, score9_, putts9_, toPar18_;
    int cardPutts_ = 0, onePutts_ = 0, threePutts_ = 0;
    ParFigures par_;
    int greenPutts_ = 0;
    std::map<std::pair<int, int>, HoleSums> cardHoles_;
    std::map<HoleKey, HoleSums> markHoles_;
    std::vector<double> teeShots_;
    std::vector<HandicapRound> handicapRounds_;
};

void Collector::Add(const LoggedRound& r) {
    ++stats_.rounds;
    TrendPoint point;
    point.id = r.id;
    point.start = r.round.start;
    point.golfCourseId = r.round.golfCourseId;
    stats_.golfCourseNames.emplace(r.round.golfCourseId, r.round.golfCourseName);
    std::vector<Card> cards = ReadCards(r.round);
    if (!cards.empty() && cards[0].HolesPlayed() > 0)
        AddCard(r, cards[0], point);
    AddMarks(r);
    stats_.trend.push_back(point);
}

void Collector::AddCard(const LoggedRound& r, const Card& card, TrendPoint& point) {
    CardFigures& c = stats_.card;
    ++c.rounds;
    const int score = card.Strokes(), putts = card.Putts();
    point.kind = card.Kind();
    point.score = score;
    point.putts = putts;
    if (point.kind == CardKind::Eighteen) {
        ++c.rounds18;
        score18_.Add(score);
        putts18_.Add(putts);
        c.bestScore18 = std::min(c.bestScore18.value_or(score), score);
    } else if (point.kind != CardKind::Partial) {
        ++c.rounds9;
        score9_.Add(score);
        putts9_.Add(putts);
        c.bestScore9 = std::min(c.bestScore9.value_or(score), score);
    }

    const auto courses = NineCourses(r, card);
    HandicapRound hr;
    hr.id = r.id;
    hr.start = r.round.start;
    bool handicapReady = point.kind == CardKind::Eighteen;
    int toPar = 0;
    bool parEverywhere = true;
    for (int h = 0; h < kCardHoles; ++h) {
        const int nine = h / 9;
        std::optional<int> par, strokeIndex;
        if (courses[nine]) {
            // A course's holes are 1-9; one whose marks number them 10-18 is found by the card's
            // own number.
            HoleKey key{r.round.golfCourseId, *courses[nine], h % 9 + 1};
            HoleKey card{r.round.golfCourseId, *courses[nine], h + 1};
            for (const HoleKey& k : {key, card}) {
                par = par ? par : Lookup(setup_.par, k);
                strokeIndex = strokeIndex ? strokeIndex : Lookup(setup_.strokeIndex, k);
            }
        }
        handicapReady = handicapReady && par && strokeIndex;
        if (handicapReady) {
            hr.strokes[h] = card.Golfer().strokes[h];
            hr.par[h] = *par;
            hr.strokeIndex[h] = *strokeIndex;
        }
        if (!card.Played(h))
            continue;
        const int strokes = card.Golfer().strokes[h], holePutts = card.putts[h];
        ++c.holes;
        cardPutts_ += holePutts;
        onePutts_ += holePutts == 1;
        threePutts_ += holePutts >= 3;
        HoleSums& sums = cardHoles_[{r.round.golfCourseId, h + 1}];
        ++sums.played;
        sums.strokes += strokes;
        sums.putts += holePutts;
        if (!par) {
            parEverywhere = false;
            continue;
        }
        sums.toPar += strokes - *par;
        ++sums.withPar;
        toPar += strokes - *par;
        ++par_.holes;
        const int over = strokes - *par;
        par_.birdiesOrBetter += over <= -1;
        par_.pars += over == 0;
        par_.bogeys += over == 1;
        par_.doubleBogeysOrWorse += over >= 2;
        if (strokes - holePutts <= *par - 2) {
            ++par_.greens;
            greenPutts_ += holePutts;
        } else {
            ++par_.scrambleChances;
            par_.scrambles += over <= 0;
        }
    }
    if (parEverywhere) {
        point.toPar = toPar;
        if (point.kind == CardKind::Eighteen) {
            ++par_.rounds18;
            toPar18_.Add(toPar);
            par_.bestToPar18 = std::min(par_.bestToPar18.value_or(toPar), toPar);
        }
    }

    if (handicapReady) {
        auto front = setup_.ratings.find({r.round.golfCourseId, *courses[0]});
        auto back = setup_.ratings.find({r.round.golfCourseId, *courses[1]});
        if (front != setup_.ratings.end() && back != setup_.ratings.end() &&
            front->second.slope > 0 && back->second.slope > 0) {
            hr.ratingTenths = static_cast<int>(std::lround(10 * front->second.courseRating) +
                                               std::lround(10 * back->second.courseRating));
            hr.slope = (front->second.slope + back->second.slope + 1) / 2;
            handicapRounds_.push_back(hr);
        }
    }
}

void Collector::AddMarks(const LoggedRound& r) {
    MarkFigures& m = stats_.marks;
    const rounds::Round& round = r.round;
    if (round.MarkCount() == 0)
        return;
    ++m.rounds;
    // A hole the round comes back to counts once, with all its marks.
    std::map<HoleKey, std::pair<int, int>> played;
    for (const rounds::Hole& hole : round.holes) {
        const int putts = hole.Putts();
        m.marks += hole.Strokes();
        m.putts += putts;
        m.shots += hole.Strokes() - putts;
        if (hole.teeShot)
            teeShots_.push_back(*hole.teeShot);
        auto& [strokes, holePutts] = played[{round.golfCourseId, hole.courseId, hole.number}];
        strokes += hole.Strokes();
        holePutts += putts;
    }
    for (const auto& [key, figures] : played) {
        HoleSums& sums = markHoles_[key];
        ++sums.played;
        sums.strokes += figures.first;
        sums.putts += figures.second;
        if (std::optional<int> par = Lookup(setup_.par, key)) {
            sums.toPar += figures.first - *par;
            ++sums.withPar;
        }
    }
}

Stats Collector::Finish() {
    CardFigures& c = stats_.card;
    c.scoreAverage18 = score18_.Value();
    c.puttsPerRound18 = putts18_.Value();
    c.scoreAverage9 = score9_.Value();
    c.puttsPerRound9 = putts9_.Value();
    c.puttsPerHole =
        c.holes ? std::optional<double>(static_cast<double>(cardPutts_) / c.holes) : std::nullopt;
    c.onePuttRate = Rate(onePutts_, c.holes);
    c.threePuttRate = Rate(threePutts_, c.holes);
    for (const auto& [key, sums] : cardHoles_)
        c.holeFigures.push_back(Figures(key.first, 0, key.second, sums));
    SortHardestFirst(c.holeFigures);

    if (par_.holes > 0) {
        par_.toParAverage18 = toPar18_.Value();
        par_.greenRate = static_cast<double>(par_.greens) / par_.holes;
        par_.puttsPerGreen = Rate(greenPutts_, par_.greens);
        par_.scrambling = Rate(par_.scrambles, par_.scrambleChances);
        stats_.par = par_;
    }

    MarkFigures& m = stats_.marks;
    if (m.rounds) {
        m.shotsPerRound = static_cast<double>(m.shots) / m.rounds;
        m.puttsPerRound = static_cast<double>(m.putts) / m.rounds;
    }
    m.teeShot.count = static_cast<int>(teeShots_.size());
    if (!teeShots_.empty()) {
        Mean mean;
        for (double d : teeShots_)
            mean.Add(d);
        m.teeShot.averageMetres = mean.Value();
        m.teeShot.medianMetres = Median(teeShots_);
        m.teeShot.longestMetres = *std::max_element(teeShots_.begin(), teeShots_.end());
    }
    for (const auto& [key, sums] : markHoles_)
        m.holeFigures.push_back(Figures(key.golfCourseId, key.courseId, key.hole, sums));

    stats_.handicap = ComputeHandicap(handicapRounds_);
    AddRollingAverages(stats_.trend);
    return std::move(stats_);
}

}  // namespace

std::vector<const LoggedRound*> SelectRounds(const std::vector<LoggedRound>& rounds,
                                             const Range& range) {
    std::vector<const LoggedRound*> out;
    for (const LoggedRound& r : rounds) {
        const Day day = DayOf(r.round.start);
        if ((range.year && day.year != *range.year) || (range.since && day < *range.since) ||
            (range.until && day > *range.until) ||
            (range.golfCourseId && r.round.golfCourseId != *range.golfCourseId))
            continue;
        out.push_back(&r);
    }
    std::stable_sort(out.begin(), out.end(), [](const LoggedRound* a, const LoggedRound* b) {
        return StartKey(*a) < StartKey(*b);
    });
    if (range.last) {
        size_t keep = static_cast<size_t>(std::max(*range.last, 0));
        if (out.size() > keep)
            out.erase(out.begin(), out.end() - static_cast<std::ptrdiff_t>(keep));
    }
    return out;
}

std::array<std::optional<int>, 2> NineCourses(const LoggedRound& r, const Card& card) {
    std::vector<int> courses;
    for (const rounds::Hole& hole : r.round.holes)
        if (!hole.marks.empty() &&
            std::find(courses.begin(), courses.end(), hole.courseId) == courses.end())
            courses.push_back(hole.courseId);
    std::array<std::optional<int>, 2> nines;
    if (courses.size() == 1 && card.Kind() == CardKind::BackNine) {
        nines[1] = courses[0];
    } else {
        for (size_t i = 0; i < std::min<size_t>(courses.size(), 2); ++i)
            nines[i] = courses[i];
    }
    if (!nines[0])
        nines[0] = r.frontCourseId;
    if (!nines[1])
        nines[1] = r.backCourseId;
    return nines;
}

Stats ComputeStats(const std::vector<LoggedRound>& rounds, const CourseSetup& setup,
                   const Range& range) {
    Collector collector(setup);
    for (const LoggedRound* r : SelectRounds(rounds, range))
        collector.Add(*r);
    return collector.Finish();
}

}  // namespace veldrant::logbook
