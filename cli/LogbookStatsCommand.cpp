// veldrant-cli logbook stats: the logbook's figures over a chosen range of rounds, from the score
// cards and from the marks, as text or as one JSON object.
#include <cstdio>
#include <optional>
#include <string>

#include "cli/Command.h"
#include "cli/LogbookAdd.h"
#include "logbook/Logbook.h"
#include "logbook/Statistics.h"
#include "logbook/StatsJson.h"
#include "platform/File.h"

namespace veldrant::cli {
namespace {

struct StatsArgs {
    std::string logbook;
    bool json = false;
    std::optional<int> golfCourse, year, last;
    std::optional<std::string> since, until;
};

// "2016-05-03" as a day; nothing when it is not one.
std::optional<logbook::Day> ParseDay(const std::string& text) {
    int y = 0, m = 0, d = 0;
    char tail = 0;
    if (text.size() != 10 || std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &y, &m, &d, &tail) != 3 ||
        m < 1 || m > 12 || d < 1 || d > 31)
        return std::nullopt;
    return logbook::Day{y, m, d};
}

int RunStats(const StatsArgs& a) {
    logbook::Range range;
    range.golfCourseId = a.golfCourse;
    range.year = a.year;
    range.last = a.last;
    for (auto [text, day] :
         {std::pair{&a.since, &range.since}, std::pair{&a.until, &range.until}}) {
        if (!*text)
            continue;
        *day = ParseDay(**text);
        if (!*day) {
            std::fprintf(stderr, "veldrant-cli: '%s' is not a date (YYYY-MM-DD)\n",
                         (*text)->c_str());
            return kExitUsage;
        }
    }
    try {
        std::unique_ptr<logbook::Logbook> book = logbook::Logbook::Open(
            logbook::LogbookPath(a.logbook), logbook::Logbook::Mode::ReadOnly, nullptr);
        logbook::Stats stats = logbook::ComputeStats(book->Rounds(), book->Setup(), range);
        std::string out = a.json ? logbook::StatsJson(stats) : logbook::StatsText(stats);
        // The same bytes on every platform, like the other logbook commands' documents.
        platform::BinaryStdout();
        std::fwrite(out.data(), 1, out.size(), stdout);
        return FinishStandardOutput(kExitOk);
    } catch (const logbook::LogbookError& e) {
        std::fprintf(stderr, "veldrant-cli: %s\n", e.what());
        return kExitFailure;
    }
}

const CommandRegistration kLogbookStats([](CommandLine& line) {
    auto a = std::make_shared<StatsArgs>();
    CLI::App& c = line.Add(
        {"logbook stats",
         "[--json] [--golf-course GCID] [--year Y] [--since DAY] [--until DAY] [--last N]",
         "the logbook's statistics",
         "Figures over the chosen rounds (all of them without a range option), kept apart by\n"
         "where they come from: the score cards (player 1 of each round's first card: scores,\n"
         "putts, 1- and 3-putt rates, the hardest holes) and the marks (tee shots, shots\n"
         "marked). With par entered (logbook par): score to par, greens in regulation and\n"
         "scrambling; with ratings too, an unofficial handicap index. The range options\n"
         "combine; --last keeps the newest N of the rounds the others chose."},
        [a] { return RunStats(*a); });
    c.add_flag("--json", a->json, "print one JSON object");
    c.add_option("--golf-course", a->golfCourse, "only this golf course")->type_name("GCID");
    c.add_option("--year", a->year, "only rounds of this year")->type_name("Y");
    c.add_option("--since", a->since, "from this day on")->type_name("YYYY-MM-DD");
    c.add_option("--until", a->until, "up to this day")->type_name("YYYY-MM-DD");
    c.add_option("--last", a->last, "the newest N rounds")
        ->type_name("N")
        ->check(CLI::PositiveNumber);
    AddLogbookOption(c, a->logbook);
});

}  // namespace
}  // namespace veldrant::cli
