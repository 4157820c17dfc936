// The freedesktop opener: `xdg-open target`, started from the PATH and left to run. glibc's
// posix_spawnp reports a program that cannot be started (none on the PATH, not executable) as
// its own error, so only a started opener counts as success; a thread of its own waits for it to
// end so that no zombie is left behind.
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <system_error>
#include <thread>

#include "platform/WebBrowser.h"

extern char** environ;

namespace veldrant::platform {

int OpenWebAddress(const std::string& target) {
    std::string program = "xdg-open";
    char* argv[] = {program.data(), const_cast<char*>(target.c_str()), nullptr};
    posix_spawnattr_t attr;
    if (posix_spawnattr_init(&attr) != 0)
        return kBrowserNoAssociation;
    // The opener must not inherit signals this program blocks or ignores (a browser it starts
    // would keep them), nor end with this program's process group on Ctrl-C.
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(
        &attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
    pid_t pid = -1;
    const int error = posix_spawnp(&pid, program.c_str(), nullptr, &attr, argv, environ);
    posix_spawnattr_destroy(&attr);
    if (error != 0)
        return kBrowserNoAssociation;
    try {
        std::thread([pid] {
            while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    } catch (const std::system_error&) {
        // No thread to spare: the opener runs all the same and is reaped when we end.
    }
    return kBrowserStarted;
}

}  // namespace veldrant::platform
