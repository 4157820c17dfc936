#include "tests/support/SimHarness.h"

#include <stdexcept>

#include "platform/SimTransport.h"

namespace veldrant::testing {

SimHarness::SimHarness(sim::WatchOptions options, bool plugged) {
    watches_.push_back(std::make_shared<sim::Watch>(options));
    sim::ServerOptions server;
    server.directory = dir_.Path();
    servers_.push_back(std::make_unique<sim::SocketServer>(watches_.back(), server));
    std::string error;
    if (plugged && !servers_.back()->Plug(&error))
        throw std::runtime_error(error);
}

SimHarness::~SimHarness() {
    servers_.clear();
}

sim::SocketServer& SimHarness::AddWatch(sim::WatchOptions options, sim::ServerOptions server) {
    watches_.push_back(std::make_shared<sim::Watch>(options));
    server.directory = dir_.Path();
    servers_.push_back(std::make_unique<sim::SocketServer>(watches_.back(), server));
    std::string error;
    if (!servers_.back()->Plug(&error))
        throw std::runtime_error(error);
    return *servers_.back();
}

std::shared_ptr<platform::IHidTransport> SimHarness::Transport() {
    return platform::MakeSimTransport(dir_.Path());
}

std::unique_ptr<CDeviceLink> SimHarness::MakeLink(std::chrono::milliseconds timeout) {
    auto link = std::make_unique<CDeviceLink>(
        std::vector<std::shared_ptr<platform::IHidTransport>>{Transport()}, timeout);
    link->SetDiagnosticStream(nullptr);
    return link;
}

}  // namespace veldrant::testing
