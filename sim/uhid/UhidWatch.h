// Serves the simulated watch (sim/Watch) on a uhid device: each output report the kernel passes
// up goes to the watch, and its reply goes back down as the input report, until a stop signal or
// the watch's own unplug.
#pragma once

#include <atomic>
#include <cstdio>
#include <memory>

#include "sim/Watch.h"
#include "sim/uhid/Options.h"
#include "sim/uhid/UhidDevice.h"

namespace veldrant::sim::uhid {

// What the device presents for these options: ids, lengths, name and descriptor.
UhidParams ParamsFor(const Options& options);

class UhidWatch {
public:
    // Status lines go to `status` (nullptr: none).
    UhidWatch(const Options& options, FILE* status);

    // The watch that answers the output reports; without one the device answers nothing.
    void SetWatch(std::shared_ptr<Watch> watch) { watch_ = std::move(watch); }

    // Creates the device and serves it until `stopFd` becomes readable (a signalfd, for
    // instance) or the watch unplugs; then removes the device. Returns the process exit status.
    int Run(int stopFd);

    // Makes the device vanish after the reply being sent now (the firmware service's hook;
    // called with the watch's lock held, so it only sets a flag).
    void RequestUnplug() { unplugRequested_.store(true); }

private:
    bool Serve(const UhidEvent& event);  // false: the device has been unplugged
    void Status(const char* format, ...) __attribute__((format(printf, 2, 3)));

    Options options_;
    UhidParams params_;
    std::shared_ptr<Watch> watch_;
    FILE* status_;
    std::unique_ptr<UhidDevice> device_;
    std::vector<uint8_t> reply_;
    std::atomic<bool> unplugRequested_{false};
    uint64_t reports_ = 0;
    uint64_t answered_ = 0;
};

}  // namespace veldrant::sim::uhid
