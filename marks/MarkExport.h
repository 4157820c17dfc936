// The mark and score export: one downloaded mark set, with the watch's score data, becomes the
// set's block of lines in the mark CSV file. The marks are grouped into sessions (one day at one
// golf course); after each session come the score lines of the rounds of that day and course.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "marks/OutputSink.h"

namespace veldrant::marks {

enum class ExportResult {
    Written,      // the set's lines went to the sink
    NoMarks,      // the set holds no whole mark record: nothing was written
    WriteFailed,  // a line could not be written; the sink is closed
};

// Appends one mark set's lines. `set` is the set's c bytes as the watch sent them, `score` the
// score data (empty when the watch holds none). Every call starts its own used-score table.
// Records cut off by the end of the set are not read; score records beyond the watch's 500 are
// ignored.
ExportResult ExportMarkSet(std::span<const uint8_t> set, std::span<const uint8_t> score,
                           IOutputSink& sink);

// Where `set` stops in the middle of a block (the offset of that mark record or MARK block), or
// nullopt when it ends where a block ends or at a first word of 0: a set cut short gives its
// whole records to the export and loses the rest.
std::optional<size_t> CutShortAt(std::span<const uint8_t> set);

// True when `set` begins with a MARK block, as every mark set the watch sends does.
bool BeginsWithMarkBlock(std::span<const uint8_t> set);

// The export of one set into a fresh byte string, with no byte order mark: for tools and tests.
std::string ExportMarkSetToString(std::span<const uint8_t> set, std::span<const uint8_t> score);

}  // namespace veldrant::marks
