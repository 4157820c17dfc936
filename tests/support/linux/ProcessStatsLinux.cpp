#include <dirent.h>

#include <fstream>
#include <string>

#include "tests/support/ProcessStats.h"

namespace veldrant::testing {

namespace {
uint64_t CountEntries(const char* dir) {
    uint64_t n = 0;
    if (DIR* d = opendir(dir)) {
        while (dirent* e = readdir(d)) {
            if (e->d_name[0] != '.')
                ++n;
        }
        closedir(d);
    }
    return n;
}
}  // namespace

ProcessStats SampleProcess() {
    ProcessStats s;
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:")
            status >> s.residentKiB;
        else if (key == "Threads:")
            status >> s.threads;
        status.ignore(1 << 20, '\n');
    }
    s.descriptors = CountEntries("/proc/self/fd") - 1;  // less the one reading the folder
    return s;
}

}  // namespace veldrant::testing
