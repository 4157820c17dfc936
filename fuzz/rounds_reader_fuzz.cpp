// libFuzzer target: the round reader fed with arbitrary text, and for every file it takes, the
// figures, every export and every picture. Besides the sanitizers the harness checks what the
// rest relies on: a round has holes, a hole has marks, distances are finite and not negative,
// an outlier has none, and a refusal names its line.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "rounds/Export.h"
#include "rounds/Measure.h"
#include "rounds/Picture.h"
#include "rounds/RoundReader.h"

namespace {

using namespace veldrant;

void Require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "rounds reader fuzz: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    rounds::ReadResult r = rounds::ReadRounds(text);
    if (!r.ok()) {
        Require(r.file.rounds.empty(), "a refused file gave rounds");
        Require(r.error.starts_with("line ") || r.error.starts_with("the file is empty"),
                "a refusal without its line");
        return 0;
    }
    for (const rounds::Round& round : r.file.rounds) {
        Require(!round.holes.empty(), "a round without holes");
        for (const rounds::Hole& hole : round.holes) {
            Require(!hole.marks.empty(), "a hole without marks");
            for (const rounds::Mark& m : hole.marks) {
                if (m.distance)
                    Require(std::isfinite(*m.distance) && *m.distance >= 0 && !m.outlier,
                            "a bad distance");
            }
        }
        rounds::Totals(round);
        // Pictures are laid out for the first rounds only: enough to reach every shape.
        if (round.number <= 3) {
            rounds::PictureSvg(rounds::RoundPicture(round, 320));
            for (size_t h = 0; h < round.holes.size(); ++h)
                rounds::PictureSvg(rounds::HolePicture(round, h, 320));
        }
    }
    for (const rounds::ExportFormat& f : rounds::ExportFormats()) {
        std::string out;
        f.write(r.file, {}, out);
        Require(!out.empty(), "an empty document");
    }
    return 0;
}
