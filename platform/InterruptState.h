// What a Ctrl-C or a request to end means for the command-line job that catches it, shared by
// both platforms' handlers (platform/Interrupt.h is the service they give). Everything here is
// lock-free and allocates nothing once a catcher is set up: Linux calls it from a signal handler,
// Windows from the console's own thread.
#pragma once

#include <cstdint>

namespace veldrant::platform::interrupt {

// What the handler tells the user.
enum class Notice { kNone, kFirst, kStop };

// False outside a catcher's life: the handler then ends the process.
bool Catching();
// A Ctrl-C (`press`) or a request to end (SIGTERM, the console closing) at `nowMs` on a
// monotonic clock: counts it, and says which notice to show.
Notice Take(bool press, std::int64_t nowMs);
// The notice's text, set by the catcher.
const char* Text(Notice notice);

}  // namespace veldrant::platform::interrupt
