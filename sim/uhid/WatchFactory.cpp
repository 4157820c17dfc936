#include "sim/uhid/WatchFactory.h"

#include "sim/FirmwareService.h"

namespace veldrant::sim::uhid {

std::shared_ptr<Watch> MakeWatch(const Options& options, std::function<void()> unplug) {
    WatchOptions wo;
    wo.model = options.model;
    wo.reportLength = options.reportLength;
    auto watch = std::make_shared<Watch>(wo);
    if (options.unplugAfter >= 0)
        watch->UnplugAfter(options.unplugAfter);

    auto firmware = std::make_shared<FirmwareService>(FirmwarePolicy{}, options.storeDir);
    firmware->SetUnplugHook(unplug);
    watch->AddService(firmware);
    return watch;
}

}  // namespace veldrant::sim::uhid
