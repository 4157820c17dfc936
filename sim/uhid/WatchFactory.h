// The simulated watch behind the uhid device, with every service the simulator has.
#pragma once

#include <functional>
#include <memory>

#include "sim/Watch.h"
#include "sim/uhid/Options.h"

namespace veldrant::sim::uhid {

// `unplug` is how a service pulls the watch out part way (called under the watch's lock).
std::shared_ptr<Watch> MakeWatch(const Options& options, std::function<void()> unplug);

}  // namespace veldrant::sim::uhid
