#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/Terminal.h"

namespace veldrant::platform {

// stdio on Linux writes bytes as they are.
std::FILE* StderrAsBytes() {
    return stderr;
}

bool StderrIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

int StderrColumns() {
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    if (const char* columns = std::getenv("COLUMNS")) {
        const int n = std::atoi(columns);
        if (n > 0)
            return n;
    }
    return 80;
}

}  // namespace veldrant::platform
