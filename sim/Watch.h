// The simulated watch: takes one output report, checks its frame as the watch does (markers,
// CRC, type), hands the request to the service registered for its command code and frames the
// reply. Faults can be asked for: silence, damaged replies, an unplug after N exchanges.
//
// Adding a family of commands: derive from IWatchService (sim/WatchService.h), then
// watch.AddService(std::make_shared<MyService>(...)). Services are asked in the order they were
// added; the identity service (codes 200 and 1) is always there first.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "devicelink/DeviceIdentity.h"
#include "platform/HidTransport.h"
#include "sim/IdentityService.h"
#include "sim/WatchService.h"

namespace veldrant::sim {

struct WatchOptions {
    size_t model = 3;                                     // row of g_DeviceTable the watch presents
    uint32_t reportLength = 525;                          // L, report ID byte included
    std::array<uint8_t, 3> version = {0x05, 0x01, 0x7B};  // payload bytes 8, 9, 10 of code 1
};

enum class Fault {
    None,
    NoAnswer,      // the request is taken but never answered
    WrongEcho,     // the value field echoes the block number plus one
    WrongCommand,  // the reply carries the command code plus one
    BadCrc,        // the CRC's low byte is flipped
    Type0,         // type byte 0
    Type3,         // type byte 3
};

// Which requests a fault hits: those of `code` (-1: any), after letting `skip` of them pass,
// then `times` of them (-1: every one from then on).
struct FaultPlan {
    Fault fault = Fault::None;
    int code = -1;
    int skip = 0;
    int times = -1;
};

// What the watch does with one output report.
enum class Action {
    Reply,   // `reply` holds the input report to send
    Silent,  // nothing goes back
    Unplug,  // the watch is pulled out now (after N exchanges, on request)
};

struct WatchStats {
    uint64_t reports = 0;                 // output reports received
    uint64_t rejected = 0;                // frames refused (length, markers, CRC, type)
    uint64_t unhandled = 0;               // accepted frames with a code no service answers
    uint64_t answered = 0;                // replies sent
    uint64_t faulted = 0;                 // requests a fault hit
    std::array<uint64_t, 256> perCode{};  // accepted requests per command code
};

class Watch {
public:
    explicit Watch(WatchOptions options = {});

    void AddService(std::shared_ptr<IWatchService> service);

    // One output report in; see Action. `reply` gets ReportLength() bytes for Action::Reply.
    Action Process(const uint8_t* report, size_t length, std::vector<uint8_t>& reply);

    void SetFault(FaultPlan plan);
    void ClearFault() { SetFault({}); }
    // After `exchanges` more answered requests, the next request unplugs the watch (-1: never).
    void UnplugAfter(int exchanges);

    const DeviceIdentity& Identity() const { return identity_; }
    platform::HidIds Ids() const;
    uint32_t ReportLength() const { return reportLength_; }
    uint32_t PayloadSize() const { return payloadSize_; }
    IdentityService& Identification() { return *identityService_; }
    WatchStats Stats() const;

    // Services run under this lock; take it to change a service's state from another thread.
    std::mutex& Mutex() const { return mutex_; }

private:
    bool Accept(const uint8_t* report, size_t length) const;
    bool ApplyFault(uint8_t code, Reply& reply, bool* badCrc);
    void Frame(const Reply& reply, std::vector<uint8_t>& out) const;

    mutable std::mutex mutex_;
    DeviceIdentity identity_;
    uint32_t reportLength_;
    uint32_t payloadSize_;
    std::shared_ptr<IdentityService> identityService_;
    std::vector<std::shared_ptr<IWatchService>> services_;
    FaultPlan fault_;
    int faultSeen_ = 0;
    int unplugAfter_ = -1;
    Reply scratch_;
    WatchStats stats_;
};

}  // namespace veldrant::sim
