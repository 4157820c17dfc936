#include "logbook/StatsJson.h"

#include "rounds/ExportText.h"

namespace veldrant::logbook {
namespace {

using rounds::text::AppendFixed;
using rounds::text::AppendInt;
using rounds::text::AppendJsonString;

// Members of one JSON object, with their commas.
class Object {
public:
    explicit Object(std::string& out) : out_(out) { out_ += '{'; }
    void End() { out_ += '}'; }

    std::string& Key(std::string_view key) {
        if (!first_)
            out_ += ',';
        first_ = false;
        AppendJsonString(out_, key);
        out_ += ':';
        return out_;
    }
    void Int(std::string_view key, long long v) { AppendInt(Key(key), v); }
    void Int(std::string_view key, const std::optional<int>& v) {
        if (v)
            Int(key, *v);
        else
            Key(key) += "null";
    }
    void Number(std::string_view key, const std::optional<double>& v, int places) {
        if (v)
            AppendFixed(Key(key), *v, places);
        else
            Key(key) += "null";
    }
    void Bool(std::string_view key, bool v) { Key(key) += v ? "true" : "false"; }
    void Text(std::string_view key, std::string_view v) { AppendJsonString(Key(key), v); }

private:
    std::string& out_;
    bool first_ = true;
};

std::optional<double> Yards(const std::optional<double>& metres) {
    return metres ? std::optional<double>(rounds::Yards(*metres)) : std::nullopt;
}

std::optional<double> Tenths(const std::optional<int>& tenths) {
    return tenths ? std::optional<double>(*tenths / 10.0) : std::nullopt;
}

void AppendHoles(std::string& out, const std::vector<HoleFigures>& holes, bool withCourse) {
    out += '[';
    for (size_t i = 0; i < holes.size(); ++i) {
        const HoleFigures& h = holes[i];
        if (i)
            out += ',';
        Object o(out);
        o.Int("golfCourseId", h.golfCourseId);
        if (withCourse)
            o.Int("courseId", h.courseId);
        o.Int("hole", h.hole);
        o.Int("played", h.played);
        o.Number("strokes", h.strokes, 2);
        o.Number("putts", h.putts, 2);
        o.Number("toPar", h.toPar, 2);
        o.End();
    }
    out += ']';
}

void AppendPar(std::string& out, const ParFigures& p) {
    Object o(out);
    o.Int("holes", p.holes);
    o.Int("rounds18", p.rounds18);
    o.Number("scoreToParAverage18", p.toParAverage18, 2);
    o.Int("bestScoreToPar18", p.bestToPar18);
    o.Int("birdiesOrBetter", p.birdiesOrBetter);
    o.Int("pars", p.pars);
    o.Int("bogeys", p.bogeys);
    o.Int("doubleBogeysOrWorse", p.doubleBogeysOrWorse);
    o.Int("greensInRegulation", p.greens);
    o.Number("greensInRegulationRate", p.greenRate, 3);
    o.Number("puttsPerGreenInRegulation", p.puttsPerGreen, 2);
    o.Int("scrambleChances", p.scrambleChances);
    o.Int("scrambles", p.scrambles);
    o.Number("scrambling", p.scrambling, 3);
    o.End();
}

void AppendHandicap(std::string& out, const HandicapResult& h) {
    Object o(out);
    o.Bool("unofficial", true);
    o.Number("index", Tenths(h.indexTenths), 1);
    o.Int("scores", static_cast<long long>(h.scores.size()));
    o.Int("used", h.used);
    std::string& list = o.Key("differentials");
    list += '[';
    for (size_t i = 0; i < h.scores.size(); ++i) {
        const HandicapScore& s = h.scores[i];
        if (i)
            list += ',';
        Object d(list);
        d.Int("id", s.id);
        d.Text("date", rounds::DateText(s.start));
        d.Int("gross", s.gross);
        d.Int("adjustedGross", s.adjustedGross);
        d.Number("differential", s.differentialTenths / 10.0, 1);
        d.End();
    }
    list += ']';
    o.End();
}

void AppendTrend(std::string& out, const std::vector<TrendPoint>& trend) {
    out += '[';
    for (size_t i = 0; i < trend.size(); ++i) {
        const TrendPoint& p = trend[i];
        if (i)
            out += ',';
        Object o(out);
        o.Int("id", p.id);
        o.Text("date", rounds::DateText(p.start));
        o.Int("score", p.score);
        o.Int("putts", p.putts);
        o.Int("holes", p.score ? std::optional<int>(p.kind == CardKind::Eighteen  ? 18
                                                    : p.kind == CardKind::Partial ? 0
                                                                                  : 9)
                               : std::nullopt);
        o.Int("toPar", p.toPar);
        o.Number("scoreAverage5", p.scoreAverage5, 2);
        o.Number("puttsAverage5", p.puttsAverage5, 2);
        o.End();
    }
    out += ']';
}

}  // namespace

std::string StatsJson(const Stats& s) {
    std::string out;
    Object o(out);
    const CardFigures& c = s.card;
    o.Int("rounds", s.rounds);
    o.Int("cardRounds", c.rounds);
    o.Int("rounds18", c.rounds18);
    o.Number("scoreAverage18", c.scoreAverage18, 2);
    o.Int("bestScore18", c.bestScore18);
    o.Number("puttsPerRound18", c.puttsPerRound18, 2);
    o.Int("rounds9", c.rounds9);
    o.Number("scoreAverage9", c.scoreAverage9, 2);
    o.Int("bestScore9", c.bestScore9);
    o.Number("puttsPerRound9", c.puttsPerRound9, 2);
    o.Int("holesPlayed", c.holes);
    o.Number("puttsPerHole", c.puttsPerHole, 2);
    o.Number("onePuttRate", c.onePuttRate, 3);
    o.Number("threePuttRate", c.threePuttRate, 3);
    AppendHoles(o.Key("cardHoles"), c.holeFigures, false);
    if (s.par)
        AppendPar(o.Key("par"), *s.par);

    const MarkFigures& m = s.marks;
    {
        Object t(o.Key("teeShot"));
        t.Int("count", m.teeShot.count);
        t.Number("averageYd", Yards(m.teeShot.averageMetres), 1);
        t.Number("medianYd", Yards(m.teeShot.medianMetres), 1);
        t.Number("longestYd", Yards(m.teeShot.longestMetres), 1);
        t.Number("averageM", m.teeShot.averageMetres, 1);
        t.Number("medianM", m.teeShot.medianMetres, 1);
        t.Number("longestM", m.teeShot.longestMetres, 1);
        t.End();
    }
    o.Int("markedRounds", m.rounds);
    o.Number("shotsPerRound", m.shotsPerRound, 2);
    o.Number("puttMarksPerRound", m.puttsPerRound, 2);
    AppendHoles(o.Key("markHoles"), m.holeFigures, true);

    if (!s.handicap.scores.empty())
        AppendHandicap(o.Key("handicap"), s.handicap);
    AppendTrend(o.Key("trend"), s.trend);
    o.End();
    out += '\n';
    return out;
}

namespace {

std::string Fixed(double v, int places) {
    std::string s;
    AppendFixed(s, v, places);
    return s;
}

std::string Signed(double v, int places) {
    return (v > 0 ? "+" : "") + Fixed(v, places);
}

std::string Percent(const std::optional<double>& rate) {
    return rate ? Fixed(*rate * 100, 1) + " %" : "-";
}

std::string Distance(const std::optional<double>& metres) {
    if (!metres)
        return "-";
    return Fixed(rounds::Yards(*metres), 1) + " yd (" + Fixed(*metres, 1) + " m)";
}

std::string GolfCourse(const Stats& s, int id) {
    auto it = s.golfCourseNames.find(id);
    std::string name = it == s.golfCourseNames.end() ? "" : it->second;
    return name.empty() ? "golf course " + std::to_string(id)
                        : name + " (" + std::to_string(id) + ")";
}

void AppendHoleLines(std::string& out, const Stats& s, const std::vector<HoleFigures>& holes,
                     bool withCourse) {
    int golfCourse = -1;
    for (const HoleFigures& h : holes) {
        if (h.golfCourseId != golfCourse || golfCourse < 0) {
            golfCourse = h.golfCourseId;
            out += "  " + GolfCourse(s, golfCourse) + ":\n";
        }
        out += "    ";
        if (withCourse)
            out += "course " + std::to_string(h.courseId) + " ";
        out += "hole " + std::to_string(h.hole) + ": " + Fixed(h.strokes, 2) + " strokes, " +
               Fixed(h.putts, 2) + " putts";
        if (h.toPar)
            out += ", " + Signed(*h.toPar, 2) + " to par";
        out += " (" + std::to_string(h.played) + (h.played == 1 ? " time)\n" : " times)\n");
    }
}

void AppendScoring(std::string& out, const char* holes, int rounds,
                   const std::optional<double>& average, const std::optional<int>& best,
                   const std::optional<double>& putts) {
    if (!rounds)
        return;
    out += std::string("  Scoring average, ") + holes + " holes: " + Fixed(*average, 2) +
           " (best " + std::to_string(*best) + ", " + std::to_string(rounds) +
           (rounds == 1 ? " round)\n" : " rounds)\n");
    out += std::string("  Putts per round, ") + holes + " holes: " + Fixed(*putts, 2) + "\n";
}

}  // namespace

std::string StatsText(const Stats& s) {
    std::string out;
    const CardFigures& c = s.card;
    out += "Rounds played: " + std::to_string(s.rounds) + "\n\n";
    out += "From the score cards\n";
    out += "  Rounds with a card: " + std::to_string(c.rounds) + " (" + std::to_string(c.rounds18) +
           " of 18 holes, " + std::to_string(c.rounds9) + " of 9 holes)\n";
    AppendScoring(out, "18", c.rounds18, c.scoreAverage18, c.bestScore18, c.puttsPerRound18);
    AppendScoring(out, "9", c.rounds9, c.scoreAverage9, c.bestScore9, c.puttsPerRound9);
    if (c.holes) {
        out += "  Putts per hole: " + Fixed(*c.puttsPerHole, 2) + " over " +
               std::to_string(c.holes) + " holes\n";
        out += "  1-putt holes: " + Percent(c.onePuttRate) +
               ", 3-putt holes or worse: " + Percent(c.threePuttRate) + "\n";
    }
    if (s.par) {
        const ParFigures& p = *s.par;
        out += "  With par (" + std::to_string(p.holes) + " holes):\n";
        if (p.toParAverage18)
            out += "    Score to par, 18 holes: " + Signed(*p.toParAverage18, 2) + " (best " +
                   Signed(*p.bestToPar18, 0) + ")\n";
        out += "    Birdies or better " + std::to_string(p.birdiesOrBetter) + ", pars " +
               std::to_string(p.pars) + ", bogeys " + std::to_string(p.bogeys) +
               ", double bogeys or worse " + std::to_string(p.doubleBogeysOrWorse) + "\n";
        out += "    Greens in regulation: " + Percent(p.greenRate);
        if (p.puttsPerGreen)
            out += ", " + Fixed(*p.puttsPerGreen, 2) + " putts per green";
        out += "\n    Scrambling: " + Percent(p.scrambling) + "\n";
    }
    if (!c.holeFigures.empty()) {
        out += "  Holes of the card, hardest first:\n";
        AppendHoleLines(out, s, c.holeFigures, false);
    }

    const MarkFigures& m = s.marks;
    out += "\nFrom the marks\n";
    out += "  Rounds with marks: " + std::to_string(m.rounds) + "\n";
    if (m.rounds)
        out += "  Shots marked per round: " + Fixed(*m.shotsPerRound, 2) +
               ", putts marked per round: " + Fixed(*m.puttsPerRound, 2) + "\n";
    out += "  Tee shots: " + std::to_string(m.teeShot.count) + "\n";
    if (m.teeShot.count) {
        out += "    Average: " + Distance(m.teeShot.averageMetres) + "\n";
        out += "    Median: " + Distance(m.teeShot.medianMetres) + "\n";
        out += "    Longest: " + Distance(m.teeShot.longestMetres) + "\n";
    }
    if (!m.holeFigures.empty()) {
        out += "  Holes by course:\n";
        AppendHoleLines(out, s, m.holeFigures, true);
    }

    if (!s.handicap.scores.empty()) {
        const HandicapResult& h = s.handicap;
        out += "\nHandicap index (unofficial): ";
        if (h.indexTenths)
            out += Fixed(*h.indexTenths / 10.0, 1) + ", the lowest " + std::to_string(h.used) +
                   " of " + std::to_string(std::min<size_t>(h.scores.size(), 20)) +
                   " score differentials\n";
        else
            out += "needs 3 scores, " + std::to_string(h.scores.size()) + " so far\n";
    }

    bool heading = false;
    for (const TrendPoint& p : s.trend) {
        if (!p.score)
            continue;
        if (!heading)
            out += "\nScore and putts by round:\n";
        heading = true;
        out += "  " + rounds::DateText(p.start) + "  " + std::to_string(*p.score) + "  " +
               std::to_string(*p.putts);
        if (p.scoreAverage5)
            out += "  (last 5: " + Fixed(*p.scoreAverage5, 2) + ", " + Fixed(*p.puttsAverage5, 2) +
                   ")";
        out += "\n";
    }
    return out;
}

}  // namespace veldrant::logbook
