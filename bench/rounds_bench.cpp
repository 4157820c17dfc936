// Rounds from mark CSV files: one round of 18 holes and 120 marks (read with its figures, every
// export, every picture), and the mark export's synthetic 100 000 marks over 2 000 rounds read
// and written in all three formats. Prints the times against their targets.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>

#include "bench/marks_synthetic.h"
#include "marks/MarkExport.h"
#include "rounds/Export.h"
#include "rounds/Picture.h"
#include "rounds/RoundReader.h"

namespace {

using namespace veldrant;
using bench::Bytes;

constexpr double kRoundTargetMs = 10.0;
constexpr double kFileTargetMs = 1000.0;

template <typename F>
double BestMs(int runs, F run) {
    double best = 1e12;
    for (int i = 0; i < runs; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        run();
        std::chrono::duration<double, std::milli> d = std::chrono::steady_clock::now() - t0;
        best = std::min(best, d.count());
    }
    return best;
}

// 18 holes, 120 marks: six or seven per hole, tee shots of about 220 m, putts at the end.
Bytes EighteenHoles() {
    Bytes set(48 + 120 * 116 + 4, 0);
    std::memcpy(set.data(), "MARK", 4);
    const std::string golf = platform::Utf8ToCp932("富士見ヶ丘カントリー倶楽部");
    int i = 0;
    for (int hole = 1; hole <= 18; ++hole) {
        const int marks = hole <= 12 ? 7 : 6;  // 12 * 7 + 6 * 6 = 120
        double lat = 35.30 + hole * 0.004, lon = 138.93 + (hole % 5) * 0.003;
        for (int k = 0; k < marks; ++k, ++i) {
            uint8_t* r = set.data() + 48 + static_cast<size_t>(i) * 116;
            bench::Put(r, bench::Pack(2016, 5, 3, 8 + i / 12, i * 5 % 60, 0), 4);
            bench::Put(r + 4, 1021, 2);
            r[6] = static_cast<uint8_t>((hole << 3) | (hole > 9 ? 1 : 0));
            const bool putt = k >= marks - 2;
            r[7] = putt;
            bench::Put(r + 8, static_cast<uint32_t>(std::lround(lon * 600000)), 4);
            bench::Put(r + 12, static_cast<uint32_t>(std::lround(lat * 600000)), 4);
            std::memcpy(r + 16, golf.data(), std::min<size_t>(golf.size(), 50));
            const double step = putt ? 3 : k == 0 ? 220 : 120;
            lat += step / 111000.0;
            lon += step / 2 / 91000.0;
        }
    }
    return set;
}

size_t AllExports(const rounds::RoundFile& file) {
    size_t bytes = 0;
    for (const rounds::ExportFormat& f : rounds::ExportFormats()) {
        std::string out;
        f.write(file, {}, out);
        bytes += out.size();
    }
    return bytes;
}

}  // namespace

int main() {
    bool ok = true;

    const std::string round = "\xEF\xBB\xBF" + marks::ExportMarkSetToString(EighteenHoles(), {});
    size_t marksRead = 0, svgBytes = 0;
    const double readRound = BestMs(200, [&] {
        rounds::ReadResult r = rounds::ReadRounds(round);
        ok &= r.ok() && r.file.rounds.size() == 1;
        marksRead = r.ok() ? r.file.rounds[0].MarkCount() : 0;
    });
    const rounds::RoundFile one = rounds::ReadRounds(round).file;
    const double exportRound = BestMs(200, [&] { AllExports(one); });
    const double picturesRound = BestMs(50, [&] {
        svgBytes = rounds::PictureSvg(rounds::RoundPicture(one.rounds[0])).size();
        for (size_t h = 0; h < one.rounds[0].holes.size(); ++h)
            svgBytes += rounds::PictureSvg(rounds::HolePicture(one.rounds[0], h)).size();
    });
    std::printf("one round: 18 holes, %zu marks, %zu bytes of CSV\n", marksRead, round.size());
    std::printf("  read with distances and figures: %8.3f ms\n", readRound);
    std::printf("  GPX + KML + GeoJSON:             %8.3f ms\n", exportRound);
    std::printf("  19 SVG pictures:                 %8.3f ms (%zu bytes)\n", picturesRound,
                svgBytes);
    std::printf("  target: read and figures well under %.0f ms: %s\n", kRoundTargetMs,
                readRound < kRoundTargetMs ? "met" : "NOT MET");

    const std::string file =
        "\xEF\xBB\xBF" + marks::ExportMarkSetToString(bench::BuildSet(), bench::BuildScores());
    size_t rounds = 0, exported = 0;
    rounds::RoundFile big;
    const double readFile = BestMs(3, [&] {
        rounds::ReadResult r = rounds::ReadRounds(file);
        ok &= r.ok();
        rounds = r.file.rounds.size();
        big = std::move(r.file);
    });
    const double exportFile = BestMs(3, [&] { exported = AllExports(big); });
    std::printf("mark export's synthetic file: %d marks, %zu rounds, %zu bytes of CSV\n",
                bench::kMarks, rounds, file.size());
    std::printf("  read with distances and figures: %8.1f ms\n", readFile);
    std::printf("  GPX + KML + GeoJSON:             %8.1f ms (%zu bytes)\n", exportFile, exported);
    std::printf("  target: read and all exports under %.0f ms: %.1f ms, %s\n", kFileTargetMs,
                readFile + exportFile, readFile + exportFile < kFileTargetMs ? "met" : "NOT MET");
    if (!ok) {
        std::fprintf(stderr, "a file was not read\n");
        return 1;
    }
    return 0;
}
