// The link's private state, shared by its source files (not part of the link's interface).
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "devicelink/DeviceLink.h"

namespace veldrant {

// The two report buffers of one open watch. Requests hold a share of them, so Close never
// frees a buffer that a request still uses.
struct ReportBuffers {
    std::unique_ptr<uint8_t[]> in, out;
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

    // The lock that keeps every other Veldrant program off the watch (see Hold), for the
    // interface at lockPath; guarded by `mutex`. `holds` counts the jobs of this process that
    // hold it; without them it goes with the link's Close, or at the end of a discovery unless
    // holdWhileOpen asks to keep it while the watch stays open.
    std::shared_ptr<platform::IHidTransport> openTransport;  // the open watch's transport
    std::shared_ptr<platform::IInterfaceLock> lock;
    std::string lockPath;
    int holds = 0;
    bool holdWhileOpen = false;
    // The process id of the program that held the watch when this link was last refused it,
    // 0 when the system does not tell; -1 when the last attempt was not refused.
    std::atomic<long> busyHolder{-1};
};

}  // namespace veldrant
