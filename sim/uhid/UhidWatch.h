// Serves the simulated watch (sim/Watch) on a uhid device: each output report the kernel passes
// up goes to the watch, and its reply goes back down as the input report, until a stop signal.
// When the watch pulls itself out the device is destroyed, and created again after the replug
// delay if one is set.
#pragma once

#include <cstdio>
#include <memory>
#include <vector>

#include "sim/OptionRegistry.h"
#include "sim/Watch.h"
#include "sim/uhid/UhidConfig.h"
#include "sim/uhid/UhidDevice.h"

namespace veldrant::sim::uhid {

class UhidWatch {
public:
    // `watch` answers the output reports; nullptr presents a device that answers nothing.
    // Status lines go to `status` (nullptr: none).
    UhidWatch(const SimConfig& sim, const UhidConfig& uhid, std::shared_ptr<Watch> watch,
              FILE* status);

    // Creates the device and serves it until `stopFd` becomes readable (a signalfd); then
    // removes the device. Returns the process exit status.
    int Run(int stopFd);

private:
    enum class Served { Plugged, Unplugged };
    Served Serve(const UhidEvent& event);
    void Plug();
    // Waits up to `ms` (-1: without limit) for the stop file; true when it is readable.
    bool WaitForStop(int stopFd, int ms);
    void Status(const char* format, ...) __attribute__((format(printf, 2, 3)));

    SimConfig sim_;
    UhidParams params_;
    uint32_t inputLength_;
    uint32_t outputLength_;
    std::shared_ptr<Watch> watch_;
    FILE* status_;
    std::unique_ptr<UhidDevice> device_;
    std::vector<uint8_t> reply_;
    uint64_t reports_ = 0;
    uint64_t answered_ = 0;
};

}  // namespace veldrant::sim::uhid
