// veldrant: the KVT2700 golf watch's desktop companion.
#include <cstdio>
#include <cstring>

#include "app/BrassieApp.h"

namespace {
bool AsksForHelp(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0)
            return true;
    }
    return false;
}
}  // namespace

int main(int argc, char** argv) {
    if (AsksForHelp(argc, argv)) {
        std::printf(
            "Usage: veldrant\n\n"
            "The KVT2700 golf watch's desktop companion: imports the marks and score cards\n"
            "into a CSV file, updates the watch's golf-course data and its firmware.\n"
            "It takes no options; one copy runs per user session.\n\n"
            "The watch is found on its USB cable (hidraw; the device node must be readable,\n"
            "see the README's udev rule) or, for trying things out, among the simulated\n"
            "watches in $VELDRANT_SIM_DIR (see veldrant-sim --help).\n"
            "The same jobs from a terminal: veldrant-cli --help.\n");
        return 0;
    }
    return CBrassieApp().Run(argc, argv);
}
