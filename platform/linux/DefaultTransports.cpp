// The transports of a Linux desktop: the kernel's hidraw nodes first, then simulated watches.
#include "platform/HidTransport.h"
#include "platform/HidrawTransport.h"
#include "platform/SimTransport.h"

namespace veldrant::platform {

std::vector<std::shared_ptr<IHidTransport>> DefaultTransports() {
    return {MakeHidrawTransport(), MakeSimTransport()};
}

}  // namespace veldrant::platform
