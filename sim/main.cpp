// veldrant-sim: a simulated KVT2700 watch, found by Veldrant's "sim" transport.
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "devicelink/Frame.h"
#include "platform/Args.h"
#include "platform/ControlRequests.h"
#include "platform/SimProtocol.h"
#include "sim/OptionRegistry.h"

using namespace veldrant;

namespace {

void PrintUsage() {
    std::printf(
        "Usage: veldrant-sim [OPTIONS]\n\n"
        "Presents a simulated KVT2700 watch as DIR/NAME.hid until interrupted (Ctrl-C).\n"
        "veldrant-cli and the desktop application find it through the same directory.\n"
        "%s\n\nOptions:\n%s"
        "  -h, --help                    this text\n"
        "  --version                     print the version and exit\n",
        platform::CControlRequests::HowToUnplug().c_str(), sim::SimOptionsHelp().c_str());
}

void Announce(const sim::SocketServer& server, const sim::Watch& watch) {
    std::string name(watch.Identity().Name());
    std::printf("veldrant-sim: %s (row %u, report length %u) listening on %s\n",
                name.empty() ? "unnamed model" : name.c_str(),
                unsigned(watch.Identity().wRowNumber), unsigned(watch.ReportLength()),
                server.Path().c_str());
    std::fflush(stdout);
}

// Waits for requests; replugs a watch that pulled itself out when asked to.
int Run(sim::SocketServer& server, const sim::SimConfig& config,
        platform::CControlRequests& requests) {
    auto unpluggedSince = std::chrono::steady_clock::time_point{};
    bool wasPlugged = true;
    for (;;) {
        platform::ControlRequest request = requests.Wait(std::chrono::milliseconds(50));
        if (request == platform::ControlRequest::Stop)
            break;
        if (request == platform::ControlRequest::Unplug)
            server.Unplug();
        std::string error;
        if (request == platform::ControlRequest::Plug && !server.Plugged() &&
            !server.Plug(&error)) {
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
        if (!plugged && request != platform::ControlRequest::Unplug && config.replugMs >= 0 &&
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
    // The options in UTF-8 whatever the system's code page (folder names may be Japanese).
    std::vector<std::string> words = platform::Utf8Arguments(argc, argv);
    std::vector<char*> args{argc > 0 ? argv[0] : nullptr};
    for (std::string& w : words)
        args.push_back(w.data());
    args.push_back(nullptr);
    if (!sim::ParseSimArgs(int(args.size()) - 1, args.data(), config, &error)) {
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
    // Taken before any thread starts (signal masks are inherited).
    platform::CControlRequests requests;

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
    return Run(server, config, requests);
}
