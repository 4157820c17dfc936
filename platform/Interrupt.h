// Ctrl-C and SIGTERM (on Windows, the console's Ctrl-C and close events) for a command-line job.
// While an InterruptCatcher is alive they are taken as a request to stop at the job's next safe
// point, which the job asks with StopRequested(); otherwise they remove every pending temporary
// output (platform/SafeOutput.h) and end the process at once. A catcher that wants confirmation
// (a job that rewrites the watch) takes a first Ctrl-C as a warning only: a second within
// kConfirmWindow, or SIGTERM, is the request. The notices are written to stderr as the keys are
// pressed, even while the job waits for the watch.
#pragma once

#include <string>

namespace veldrant::platform {

inline constexpr int kConfirmWindowSeconds = 5;

// Installs the handlers; call once, early in main.
void InstallInterruptHandling();

class InterruptCatcher {
public:
    // `firstNotice`: shown at a first Ctrl-C when `confirm` is set; `stopNotice`: shown when the
    // stop is requested.
    InterruptCatcher(bool confirm, const std::string& firstNotice, const std::string& stopNotice);
    ~InterruptCatcher();
    InterruptCatcher(const InterruptCatcher&) = delete;
    InterruptCatcher& operator=(const InterruptCatcher&) = delete;
};

// True once a stop was requested while a catcher was alive (until the next catcher).
bool StopRequested();
// Ctrl-C presses seen by the current catcher.
int InterruptPresses();

}  // namespace veldrant::platform
