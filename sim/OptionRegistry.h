// veldrant-sim's command line, open to every service: a service's *Options.cpp file (compiled
// straight into the program, like sim/CoreOptions.cpp) registers its options and a setup step
// that adds the service to the watch:
//
//   static sim::OptionRegistration marks({"--mark-sets", "N", "mark sets the watch holds",
//       [](sim::SimConfig&, const std::string& v, std::string* err) { ...; return true; }});
//   static sim::SetupRegistration addMarks([](sim::Watch& w, const sim::SimConfig&) {
//       w.AddService(std::make_shared<MarkService>(...)); });
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "sim/SocketServer.h"
#include "sim/Watch.h"

namespace veldrant::sim {

// What the core options set; services keep their own settings in their option files.
struct SimConfig {
    WatchOptions watch;
    ServerOptions server;
    FaultPlan fault;
    int unplugAfter = -1;
    int replugMs = -1;  // after the watch pulled itself out, plug it in again after this long
    bool help = false;
    bool version = false;
};

struct SimOption {
    std::string name;  // "--model"
    std::string arg;   // "ROW|NAME"; empty for a flag
    std::string help;
    // Applies the value (empty for a flag); false with a reason in *error.
    std::function<bool(SimConfig&, const std::string& value, std::string* error)> apply;
};

using SimSetup = std::function<void(Watch&, const SimConfig&)>;

void RegisterSimOption(SimOption option);
void RegisterSimSetup(SimSetup setup);
const std::vector<SimOption>& SimOptions();
const std::vector<SimSetup>& SimSetups();

struct OptionRegistration {
    explicit OptionRegistration(SimOption option) { RegisterSimOption(std::move(option)); }
};
struct SetupRegistration {
    explicit SetupRegistration(SimSetup setup) { RegisterSimSetup(std::move(setup)); }
};

// Parses argv[1..] with the registered options (on CLI11): "--name VALUE" or "--name=VALUE".
// A refusal names the option and says why.
bool ParseSimArgs(int argc, char** argv, SimConfig& config, std::string* error);
// The option list for --help.
std::string SimOptionsHelp();

// Numbers as the options take them: decimal or 0x-prefixed hexadecimal, within [min, max].
bool ParseNumber(const std::string& text, long min, long max, long* out);

}  // namespace veldrant::sim
