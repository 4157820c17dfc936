// The press counting behind InterruptCatcher: a job that wants confirmation takes a first Ctrl-C
// as a warning, and a second within kConfirmWindowSeconds, or a request to end, as the stop.
#include "platform/InterruptState.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <limits>
#include <string>

#include "platform/Interrupt.h"

namespace veldrant::platform {
namespace {

constexpr size_t kNoticeSize = 1024;
constexpr std::int64_t kNoPress = std::numeric_limits<std::int64_t>::min();
std::atomic<bool> g_catching{false};
std::atomic<bool> g_confirm{false};
std::atomic<bool> g_stop{false};
std::atomic<int> g_presses{0};
std::atomic<std::int64_t> g_lastPress{kNoPress};  // the last press that only warned
char g_firstNotice[kNoticeSize];
char g_stopNotice[kNoticeSize];

void Copy(char* into, const std::string& text) {
    const size_t n = std::min(text.size(), kNoticeSize - 1);
    std::memcpy(into, text.data(), n);
    into[n] = '\0';
}

}  // namespace

namespace interrupt {

bool Catching() {
    return g_catching.load();
}

Notice Take(bool press, std::int64_t nowMs) {
    if (g_stop.load())
        return Notice::kNone;  // already stopping at the next safe point
    bool stop = !press || !g_confirm.load();
    if (press) {
        g_presses.fetch_add(1);
        const std::int64_t last = g_lastPress.load();
        if (!stop && last != kNoPress && nowMs - last <= kConfirmWindowSeconds * 1000LL) {
            stop = true;
        } else if (!stop) {
            g_lastPress.store(nowMs);
            return Notice::kFirst;
        }
    }
    // Two events at once (Windows runs each on a thread of its own) give one stop notice.
    return g_stop.exchange(true) ? Notice::kNone : Notice::kStop;
}

const char* Text(Notice notice) {
    switch (notice) {
        case Notice::kFirst:
            return g_firstNotice;
        case Notice::kStop:
            return g_stopNotice;
        case Notice::kNone:
            break;
    }
    return "";
}

}  // namespace interrupt

InterruptCatcher::InterruptCatcher(bool confirm, const std::string& firstNotice,
                                   const std::string& stopNotice) {
    // While the notices change, an event ends the process as outside a job.
    g_catching.store(false);
    Copy(g_firstNotice, firstNotice);
    Copy(g_stopNotice, stopNotice);
    g_confirm.store(confirm);
    g_stop.store(false);
    g_presses.store(0);
    g_lastPress.store(kNoPress);
    g_catching.store(true);
}

InterruptCatcher::~InterruptCatcher() {
    g_catching.store(false);
}

bool StopRequested() {
    return g_stop.load();
}

int InterruptPresses() {
    return g_presses.load();
}

}  // namespace veldrant::platform
