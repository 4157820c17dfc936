// The transports of a Windows desktop: the HID class driver's interfaces first, then simulated
// watches.
#include "platform/HidTransport.h"
#include "platform/SimTransport.h"
#include "platform/windows/HidApi.h"

namespace veldrant::platform {

std::vector<std::shared_ptr<IHidTransport>> DefaultTransports() {
    return {win::MakeHidTransport(win::MakeWindowsHidApi()), MakeSimTransport()};
}

}  // namespace veldrant::platform
