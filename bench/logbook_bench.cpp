// The logbook over ten years of golf: the mark export's synthetic 2 000 rounds and 100 000 marks
// (with their score cards) as one CSV file, added to an empty logbook, added again, listed and
// loaded for the statistics. Prints the times and the file's size against their targets.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/marks_synthetic.h"
#include "logbook/Logbook.h"
#include "marks/MarkExport.h"
#include "rounds/RoundReader.h"

namespace {

using namespace veldrant;

template <typename F>
double Ms(F run) {
    auto t0 = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

void Line(const char* what, double value, double target, const char* unit) {
    std::printf("  %-44s %9.1f %s  (target < %.0f %s)%s\n", what, value, unit, target, unit,
                value < target ? "" : "  OVER");
}

}  // namespace

int main() {
    namespace fs = std::filesystem;
    const std::string csv =
        "\xEF\xBB\xBF" + marks::ExportMarkSetToString(bench::BuildSet(), bench::BuildScores());
    const fs::path dir = fs::temp_directory_path() / ("logbook-bench-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const std::string path = (dir / "logbook.sqlite3").string();

    rounds::ReadResult file;
    double read = Ms([&] { file = rounds::ReadRounds(csv); });
    if (!file.ok()) {
        std::fprintf(stderr, "%s\n", file.error.c_str());
        return 1;
    }
    std::printf("logbook: %zu rounds, %d marks, %zu bytes of CSV\n", file.file.rounds.size(),
                bench::kMarks, csv.size());
    logbook::AddSummary first, again;
    double add = Ms([&] {
        auto book = logbook::Logbook::Open(path, logbook::Logbook::Mode::Write);
        first = book->Add(rounds::ReadRounds(csv).file, "bench.csv");
    });
    double readd = Ms([&] {
        auto book = logbook::Logbook::Open(path, logbook::Logbook::Mode::Write);
        again = book->Add(rounds::ReadRounds(csv).file, "bench.csv");
    });
    size_t listed = 0, loaded = 0;
    double list = Ms([&] {
        listed = logbook::Logbook::Open(path, logbook::Logbook::Mode::ReadOnly)->List().size();
    });
    double load = Ms([&] {
        auto book = logbook::Logbook::Open(path, logbook::Logbook::Mode::ReadOnly);
        loaded = book->Rounds().size();
        book->Setup();
    });
    std::printf("  first add: %s; again: %s; listed %zu, loaded %zu\n",
                logbook::SummaryText(first).c_str(), logbook::SummaryText(again).c_str(), listed,
                loaded);
    std::printf("  %-44s %9.1f ms\n", "reading the CSV file alone", read);
    Line("add to an empty logbook (open, read, write)", add, 3000, "ms");
    Line("add again, every round already there", readd, 1000, "ms");
    Line("list", list, 100, "ms");
    Line("load for statistics (measured rounds, setup)", load, 100, "ms");
    Line("logbook file", static_cast<double>(fs::file_size(path)) / (1 << 20), 20, "MB");
    fs::remove_all(dir);
    return 0;
}
