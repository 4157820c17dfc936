// A simulated watch served over real Unix sockets in a temporary directory, for tests that
// drive the device link (or an operation on it) end to end through the "sim" transport.
//
//   testing::SimHarness sim;                       // model row 3, L = 525, plugged in
//   sim.GetWatch().AddService(std::make_shared<sim::MarkService>(...));
//   auto link = sim.MakeLink();                    // sim transport only, short time-out
//   ASSERT_EQ(link->Discover(), 1);
//   ... link->SendCommand(CMD_MARK_COUNT, 0, 0u) ...
//   sim.Server().Unplug();                         // the watch is pulled out
//
// More watches can share the directory (AddWatch); the directory and its sockets go when the
// harness does. The link's diagnostic line is switched off.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "devicelink/DeviceLink.h"
#include "sim/SocketServer.h"
#include "sim/Watch.h"
#include "tests/support/TempDir.h"

namespace veldrant::testing {

inline constexpr std::chrono::milliseconds kTestTimeout{300};

class SimHarness {
public:
    // Serves one watch named "watch" and plugs it in (unless `plugged` is false).
    explicit SimHarness(sim::WatchOptions options = {}, bool plugged = true);
    ~SimHarness();

    sim::Watch& GetWatch() { return *watches_.front(); }
    std::shared_ptr<sim::Watch> WatchPtr() { return watches_.front(); }
    sim::SocketServer& Server() { return *servers_.front(); }
    const std::string& Directory() const { return dir_.Path(); }

    // Another watch in the same directory, plugged in; `server.name` must differ.
    sim::SocketServer& AddWatch(sim::WatchOptions options, sim::ServerOptions server);

    std::shared_ptr<platform::IHidTransport> Transport();
    std::unique_ptr<CDeviceLink> MakeLink(std::chrono::milliseconds timeout = kTestTimeout);

private:
    TempDir dir_;
    std::vector<std::shared_ptr<sim::Watch>> watches_;
    std::vector<std::unique_ptr<sim::SocketServer>> servers_;
};

}  // namespace veldrant::testing
