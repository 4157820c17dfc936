// What this process holds right now, for the endurance run: resident memory, open file
// descriptors (handles on Windows) and threads.
#pragma once

#include <cstdint>

namespace veldrant::testing {

struct ProcessStats {
    uint64_t residentKiB = 0;
    uint64_t descriptors = 0;  // open file descriptors; kernel handles on Windows
    uint64_t threads = 0;
};

ProcessStats SampleProcess();

}  // namespace veldrant::testing
