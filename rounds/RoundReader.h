// Reading a mark CSV file, as the mark import writes it, into rounds. Nothing is guessed: a file
// that is not a mark CSV file, was cut short or was edited into something else is refused with a
// message naming the line.
#pragma once

#include <string>
#include <string_view>

#include "rounds/Round.h"

namespace veldrant::rounds {

struct ReadResult {
    RoundFile file;
    std::string error;  // "line 12: ..."; empty when the file was read
    bool ok() const { return error.empty(); }
};

// Reads the file's bytes (with or without the byte order mark) and measures every round.
ReadResult ReadRounds(std::string_view bytes);

// Reads the file at `path`. The error names the file's problem or the reason it cannot be read.
ReadResult LoadRounds(const std::string& path);

// The largest file LoadRounds reads (a mark CSV file of the watch's whole memory is far smaller).
inline constexpr uint64_t kMaxRoundFileBytes = 512ull << 20;

}  // namespace veldrant::rounds
