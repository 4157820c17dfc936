// What this process holds right now, for the endurance run: resident memory, open file
// descriptors (handles on Windows) and threads.
#pragma once

#include <cstdint>
#include <optional>

namespace veldrant::testing {

struct ProcessStats {
    uint64_t residentKiB = 0;
    // Open file descriptors; kernel handles on Windows. Unknown where the system does not say
    // (wine's handle count is always 0, and its handle table may not be readable).
    std::optional<uint64_t> descriptors;
    uint64_t threads = 0;
};

ProcessStats SampleProcess();

}  // namespace veldrant::testing
