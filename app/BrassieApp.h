// The application: one copy per user session, the main window run modally, and the end.
#pragma once

#include "app/BrassieDlg.h"

// The name of the lock that keeps a second copy from starting.
inline constexpr const char* kInstanceLockName = "Kestrune GOLF";

class CBrassieApp {
public:
    // Runs the program: returns its exit code. A second copy ends at once, silently, before
    // it connects to the display. `options` reach the main window (tests give their own).
    int Run(int argc, char** argv, BrassieOptions options = {});
    // Runs the logbook window alone (`veldrant --logbook [PATH]`), beside a running copy: it
    // does not use the watch.
    int RunLogbook(int argc, char** argv, const std::string& path);
};
