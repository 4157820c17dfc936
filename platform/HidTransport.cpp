// What every transport shares: draining a handle's input, and the lock that holds nothing.
#include "platform/HidTransport.h"

#include <algorithm>

namespace veldrant::platform {

bool IHidDevice::DiscardInput() {
    std::vector<uint8_t> scratch(std::max<size_t>(InputReportLength(), 64));
    for (int i = 0; i < 256; ++i) {
        size_t got = 0;
        IoResult r = Read(scratch.data(), scratch.size(), &got, std::chrono::milliseconds(0));
        if (r == IoResult::Timeout)
            return true;
        if (r != IoResult::Ok)
            return false;
    }
    return false;  // a device that never stops talking cannot be trusted with a request
}

std::unique_ptr<IInterfaceLock> IHidTransport::Lock(const std::string&, long* holder) {
    if (holder)
        *holder = 0;
    return std::make_unique<IInterfaceLock>();
}

}  // namespace veldrant::platform
