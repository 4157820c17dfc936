// veldrant-uhid-watch: the simulated watch as a real HID device, through the kernel's uhid.
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <exception>

#include "sim/uhid/Options.h"
#include "sim/uhid/UhidWatch.h"
#include "sim/uhid/WatchFactory.h"

using namespace veldrant::sim::uhid;

int main(int argc, char** argv) {
    std::string error;
    auto options = ParseOptions(argc, argv, &error);
    if (!options) {
        std::fprintf(stderr, "veldrant-uhid-watch: %s\n%s", error.c_str(), kUsage);
        return 2;
    }
    if (options->help) {
        std::fputs(kUsage, stdout);
        return 0;
    }

    // SIGTERM and SIGINT unplug the device; they are read from a signalfd in the serving loop.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGINT);
    sigprocmask(SIG_BLOCK, &stop, nullptr);
    const int stopFd = signalfd(-1, &stop, SFD_CLOEXEC);
    if (stopFd < 0) {
        std::perror("veldrant-uhid-watch: signalfd");
        return 1;
    }

    try {
        UhidWatch server(*options, stdout);
        if (!options->foreign) {
            server.SetWatch(MakeWatch(*options, [&server] { server.RequestUnplug(); }));
        }
        const int rc = server.Run(stopFd);
        ::close(stopFd);
        return rc;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "veldrant-uhid-watch: %s\n", e.what());
        return 1;
    }
}
