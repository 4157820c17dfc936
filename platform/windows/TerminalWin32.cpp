// The console on standard error: a console handle answers GetConsoleMode, and its window's
// width is the screen buffer's visible columns.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdlib>

#include "platform/Terminal.h"

namespace veldrant::platform {

// stderr is in text mode, which turns each "\n" into "\r\n": a second handle on the same
// file in binary mode, unbuffered so that its lines keep their place among stderr's.
std::FILE* StderrAsBytes() {
    static std::FILE* const bytes = [] {
        const int fd = _dup(_fileno(stderr));
        std::FILE* f = fd >= 0 ? _fdopen(fd, "wb") : nullptr;
        if (f == nullptr)
            return stderr;
        std::setvbuf(f, nullptr, _IONBF, 0);
        return f;
    }();
    return bytes;
}

bool StderrIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

int StderrColumns() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info)) {
        const int columns = info.srWindow.Right - info.srWindow.Left + 1;
        if (columns > 0)
            return columns;
    }
    if (const char* columns = std::getenv("COLUMNS")) {
        const int n = std::atoi(columns);
        if (n > 0)
            return n;
    }
    return 80;
}

}  // namespace veldrant::platform
