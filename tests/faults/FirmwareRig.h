// The firmware update on the fault rig: a name-form image for the watch's model, 150 blocks
// and a part block long, and the simulated watch's firmware service.
#pragma once

#include <string>
#include <vector>

#include "firmware/FirmwareUpdate.h"
#include "sim/FirmwareService.h"
#include "tests/faults/Rig.h"

namespace veldrant::faults {

class FirmwareRig : public Rig {
public:
    explicit FirmwareRig(std::chrono::milliseconds timeout = kAnsweringTimeout);

    void Run(SeenHost& host) override;
    std::string ExpectSuccess(const Seen& seen) override;
    std::vector<SentRequest> Probe();

    const firmware::UpdateResult& LastResult() const { return lastResult_; }
    sim::FirmwareService::State WatchState() const { return service_->Snapshot(); }
    uint32_t ImageLength() const { return static_cast<uint32_t>(image_.size()); }

private:
    std::vector<uint8_t> image_;
    std::string path_;
    std::shared_ptr<sim::FirmwareService> service_;
    firmware::UpdateResult lastResult_;
};

}  // namespace veldrant::faults
