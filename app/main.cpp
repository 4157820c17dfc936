// veldrant: the KVT2700 golf watch's desktop companion.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/BrassieApp.h"
#include "platform/Args.h"

namespace {
bool Asks(int argc, char** argv, const char* shortName, const char* longName) {
    for (int i = 1; i < argc; ++i) {
        if ((shortName && std::strcmp(argv[i], shortName) == 0) ||
            std::strcmp(argv[i], longName) == 0)
            return true;
    }
    return false;
}
}  // namespace

int main(int argc, char** argv) {
    // Both answer and end before the single-instance lock or a window: a copy already running
    // is no reason to refuse them.
    if (Asks(argc, argv, "-h", "--help")) {
        std::printf(
            "Usage: veldrant\n\n"
            "The KVT2700 golf watch's desktop companion: imports the marks and score cards\n"
            "into a CSV file, updates the watch's golf-course data and its firmware.\n"
            "One copy runs per user session.\n\n"
            "The watch is found on its USB cable (hidraw; the package's udev rule lets the\n"
            "user at the computer open it) or, for trying things out, among the simulated\n"
            "watches in $VELDRANT_SIM_DIR (see veldrant-sim --help).\n"
            "The same jobs from a terminal: veldrant-cli --help.\n\n"
            "Options:\n"
            "  -h, --help     print this text and end\n"
            "      --logbook [PATH]\n"
            "                 open the logbook window alone: every round imported so far and\n"
            "                 its statistics (the file: PATH, $VELDRANT_LOGBOOK or the user's\n"
            "                 data folder)\n"
            "      --version  print the version and end\n");
        return 0;
    }
    if (Asks(argc, argv, nullptr, "--version")) {
        std::printf("veldrant %s\n", VELDRANT_VERSION);
        return 0;
    }
    // The path in UTF-8 (on Windows `argv` holds it in the ANSI code page).
    const std::vector<std::string> args = veldrant::platform::Utf8Arguments(argc, argv);
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--logbook")
            return CBrassieApp().RunLogbook(
                argc, argv,
                i + 1 < args.size() && !args[i + 1].starts_with('-') ? args[i + 1] : "");
    }
    return CBrassieApp().Run(argc, argv);
}
