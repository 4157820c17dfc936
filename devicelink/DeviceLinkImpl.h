// The link's private state, shared by its source files (not part of the link's interface).
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "devicelink/DeviceLink.h"

namespace veldrant {

// The two report buffers of one open watch, plus a scratch buffer that stale input is drained
// into. Requests hold a share of them, so Close never frees a buffer that a request still uses.
struct ReportBuffers {
    std::unique_ptr<uint8_t[]> in, out, scratch;
    // True until an exchange has read its reply: only an exchange that gave up before its
    // reply arrived (or a fresh opening) can leave input queued. Guarded by requestMutex.
    bool mayHoldStaleInput = true;
};

// What one request works on: taken under the link's lock when the request starts.
struct CDeviceLink::Session {
    std::shared_ptr<platform::IHidDevice> device;
    std::shared_ptr<ReportBuffers> buffers;
    uint8_t* in = nullptr;
    uint8_t* out = nullptr;
    uint32_t length = 0;   // L
    uint32_t payload = 0;  // P
    FrameView view{};
    uint64_t generation = 0;

    explicit operator bool() const { return device && buffers; }
};

struct CDeviceLink::Impl {
    std::vector<std::shared_ptr<platform::IHidTransport>> transports;
    std::chrono::milliseconds timeout{kExchangeTimeout};
    std::FILE* diagnostics = stdout;

    // Guards the open device, the buffers, the path and the identity against Close on another
    // thread. Never held across an exchange.
    mutable std::mutex mutex;
    std::shared_ptr<ReportBuffers> buffers;
    uint64_t generation = 0;  // counts the openings, so a late request sees it is stale

    // One request at a time on the buffers, should two threads ever send at once (a page's
    // retry racing the watcher's identity check after a quick replug). Close does not take it.
    mutable std::mutex requestMutex;

    // One Discover at a time (the watcher and a CLI retry loop may overlap).
    std::mutex discoverMutex;
    std::vector<InterfaceReport> lastDiscovery;

    std::vector<std::unique_ptr<platform::INoticeSubscription>> subscriptions;
};

}  // namespace veldrant
