// veldrant-uhid-watch: the simulated watch as a real HID device, through the kernel's uhid.
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <exception>

#include "sim/OptionRegistry.h"
#include "sim/uhid/UhidWatch.h"

using namespace veldrant;

namespace {

void PrintUsage() {
    std::printf(
        "Usage: veldrant-uhid-watch [OPTIONS]\n\n"
        "Presents the simulated KVT2700 watch as a real HID device through the kernel's uhid\n"
        "driver, so that hidraw and everything above it see a plugged-in watch, until SIGINT or\n"
        "SIGTERM unplug it. Needs the uhid module and access to /dev/uhid (usually root).\n"
        "The watch takes veldrant-sim's options; --name and --dir (the socket's) do nothing here.\n"
        "\nStatus lines on standard output: \"created VVVV:PPPP:RRRR in=L out=L\", \"open\",\n"
        "\"close\", \"unplugged T\" (T: CLOCK_MONOTONIC in ns), \"exit reports=N answered=N\".\n"
        "\nOptions:\n%s"
        "  -h, --help                    this text\n",
        sim::SimOptionsHelp().c_str());
}

}  // namespace

int main(int argc, char** argv) {
    sim::SimConfig config;
    std::string error;
    if (!sim::ParseSimArgs(argc, argv, config, &error)) {
        std::fprintf(stderr, "veldrant-uhid-watch: %s\nTry 'veldrant-uhid-watch --help'.\n",
                     error.c_str());
        return 2;
    }
    if (config.help) {
        PrintUsage();
        return 0;
    }

    // SIGTERM and SIGINT unplug the device; the serving loop reads them from a signalfd.
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
        const sim::uhid::UhidConfig& uhid = sim::uhid::UhidSettings();
        std::shared_ptr<sim::Watch> watch;
        if (!uhid.foreign) {
            watch = std::make_shared<sim::Watch>(config.watch);
            for (const sim::SimSetup& setup : sim::SimSetups())
                setup(*watch, config);
            watch->SetFault(config.fault);
            watch->UnplugAfter(config.unplugAfter);
        }
        sim::uhid::UhidWatch server(config, uhid, watch, stdout);
        const int rc = server.Run(stopFd);
        ::close(stopFd);
        return rc;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "veldrant-uhid-watch: %s\n", e.what());
        return 1;
    }
}
