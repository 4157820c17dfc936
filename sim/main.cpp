// veldrant-sim: a simulated KVT2700 watch on a Unix socket, found by Veldrant's "sim" transport.
#include <pthread.h>
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <ctime>

#include "devicelink/Frame.h"
#include "platform/SimProtocol.h"
#include "sim/OptionRegistry.h"

using namespace veldrant;

namespace {

void PrintUsage() {
    std::printf(
        "Usage: veldrant-sim [OPTIONS]\n\n"
        "Presents a simulated KVT2700 watch as the socket DIR/NAME.hid until SIGINT or SIGTERM.\n"
        "veldrant-cli and the desktop application find it through the same directory.\n"
        "SIGUSR1 unplugs the watch, SIGUSR2 plugs it in again.\n\nOptions:\n%s"
        "  -h, --help                    this text\n"
        "  --version                     print the version and exit\n",
        sim::SimOptionsHelp().c_str());
}

void Announce(const sim::SocketServer& server, const sim::Watch& watch) {
    std::string name(watch.Identity().Name());
    std::printf("veldrant-sim: %s (row %u, report length %u) listening on %s\n",
                name.empty() ? "unnamed model" : name.c_str(),
                unsigned(watch.Identity().wRowNumber), unsigned(watch.ReportLength()),
                server.Path().c_str());
    std::fflush(stdout);
}

// Waits for signals; replugs a watch that pulled itself out when asked to.
int Run(sim::SocketServer& server, const sim::SimConfig& config, const sigset_t& signals) {
    auto unpluggedSince = std::chrono::steady_clock::time_point{};
    bool wasPlugged = true;
    for (;;) {
        timespec tick{0, 50 * 1000 * 1000};
        int sig = sigtimedwait(&signals, nullptr, &tick);
        if (sig == SIGINT || sig == SIGTERM)
            break;
        if (sig == SIGUSR1)
            server.Unplug();
        std::string error;
        if (sig == SIGUSR2 && !server.Plugged() && !server.Plug(&error)) {
            std::fprintf(stderr, "veldrant-sim: %s\n", error.c_str());
        }
        bool plugged = server.Plugged();
        if (wasPlugged && !plugged) {
            std::printf("veldrant-sim: unplugged\n");
            unpluggedSince = std::chrono::steady_clock::now();
        }
        if (!wasPlugged && plugged)
            std::printf("veldrant-sim: plugged in\n");
        std::fflush(stdout);
        wasPlugged = plugged;
        if (!plugged && sig != SIGUSR1 && config.replugMs >= 0 &&
            std::chrono::steady_clock::now() - unpluggedSince >=
                std::chrono::milliseconds(config.replugMs)) {
            if (server.Plug(&error)) {
                server.GetWatch().UnplugAfter(config.unplugAfter);
            } else {
                std::fprintf(stderr, "veldrant-sim: %s\n", error.c_str());
            }
        }
    }
    server.Unplug();
    std::printf("veldrant-sim: stopped\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    sim::SimConfig config;
    std::string error;
    if (!sim::ParseSimArgs(argc, argv, config, &error)) {
        std::fprintf(stderr, "veldrant-sim: %s\nTry 'veldrant-sim --help'.\n", error.c_str());
        return 2;
    }
    if (config.help) {
        PrintUsage();
        return 0;
    }
    if (config.version) {
        std::printf("veldrant-sim %s\n", VELDRANT_VERSION);
        return 0;
    }
    // Signals are taken by sigtimedwait only: block them before any thread starts.
    sigset_t signals;
    sigemptyset(&signals);
    for (int s : {SIGINT, SIGTERM, SIGUSR1, SIGUSR2})
        sigaddset(&signals, s);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    auto watch = std::make_shared<sim::Watch>(config.watch);
    for (const sim::SimSetup& setup : sim::SimSetups())
        setup(*watch, config);
    watch->SetFault(config.fault);
    watch->UnplugAfter(config.unplugAfter);
    sim::SocketServer server(watch, config.server);
    if (!server.Plug(&error)) {
        std::fprintf(stderr, "veldrant-sim: %s\n", error.c_str());
        return 1;
    }
    if (!FrameFits(config.watch.reportLength)) {
        std::fprintf(stderr,
                     "veldrant-sim: note: report length %u cannot hold the frame; hosts will "
                     "refuse this watch\n",
                     unsigned(config.watch.reportLength));
    }
    Announce(server, *watch);
    return Run(server, config, signals);
}
