// Export throughput of the mark CSV: one synthetic set of 100 000 marks over 2 000 sessions with
// 500 score records, written to memory and to a file. Prints mark lines per second.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/marks_synthetic.h"
#include "marks/MarkExport.h"
#include "marks/OutputSink.h"

namespace {

using veldrant::marks::ExportMarkSet;
using veldrant::marks::ExportResult;
using Bytes = std::vector<uint8_t>;

using veldrant::bench::BuildScores;
using veldrant::bench::BuildSet;
using veldrant::bench::kMarks;
using veldrant::bench::kScores;
using veldrant::bench::kSessions;
constexpr double kTargetLinesPerSecond = 500000.0;

template <typename F>
double BestSeconds(int runs, F run) {
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        run();
        std::chrono::duration<double> d = std::chrono::steady_clock::now() - t0;
        best = std::min(best, d.count());
    }
    return best;
}

}  // namespace

int main() {
    const Bytes set = BuildSet();
    const Bytes score = BuildScores();
    size_t bytes = 0;
    bool ok = true;

    double memory = BestSeconds(5, [&] {
        veldrant::marks::MemorySink sink;
        sink.Reserve(16u << 20);
        ok &= ExportMarkSet(set, score, sink) == ExportResult::Written;
        bytes = sink.Data().size();
    });

    char path[] = "/tmp/veldrant-marks-bench-XXXXXX";
    int fd = mkstemp(path);
    if (fd >= 0)
        close(fd);
    double file = BestSeconds(5, [&] {
        std::string error;
        auto sink = veldrant::marks::FileSink::Create(path, &error);
        ok &= sink && ExportMarkSet(set, score, *sink) == ExportResult::Written && sink->Close();
    });
    unlink(path);

    const double memoryRate = kMarks / memory, fileRate = kMarks / file;
    std::printf("mark export: %d marks, %d sessions, %d score records, %zu bytes of CSV\n", kMarks,
                kSessions, kScores, bytes);
    std::printf("  to memory: %8.1f ms  %10.0f mark lines/s  %7.1f MB/s\n", memory * 1e3,
                memoryRate, bytes / memory / 1e6);
    std::printf("  to a file: %8.1f ms  %10.0f mark lines/s  %7.1f MB/s\n", file * 1e3, fileRate,
                bytes / file / 1e6);
    std::printf("  target:    %10.0f mark lines/s: %s\n", kTargetLinesPerSecond,
                std::min(memoryRate, fileRate) >= kTargetLinesPerSecond ? "met" : "NOT MET");
    if (!ok) {
        std::fprintf(stderr, "the export failed\n");
        return 1;
    }
    return 0;
}
