// One HID transport: a family of HID interfaces (the kernel's hidraw nodes, simulated watches on
// sockets, ...) that the device link can list, identify, open and exchange reports with.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace veldrant::platform {

// Vendor id, product id and release number (bcdDevice) of a HID interface.
struct HidIds {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t release = 0;
};

enum class IoResult {
    Ok,       // the whole report moved
    Timeout,  // nothing (or not everything) moved within the time-out
    Gone,     // the device was removed or the handle cancelled
    Error,    // any other failure
};

// InUse: another program holds the interface open and it cannot be shared (Windows' sharing
// violation; a simulated watch that already serves a program).
enum class OpenError { None, NotFound, PermissionDenied, InUse, NotHid, Other };

// An interface opened for exchanges. Report lengths count the report-ID byte, as Windows does,
// also for devices without numbered reports. Report buffers start with the report ID (0 here).
class IHidDevice {
public:
    virtual ~IHidDevice() = default;
    virtual uint32_t InputReportLength() const = 0;   // 0 when the capabilities cannot be read
    virtual uint32_t OutputReportLength() const = 0;  // 0 when the capabilities cannot be read
    // Writes one output report of exactly `len` bytes.
    virtual IoResult Write(const uint8_t* data, size_t len, std::chrono::milliseconds timeout) = 0;
    // Reads one input report into `buf`; `*got` is the report's length: more than `len` when
    // the report was longer than the buffer (then only `len` bytes were stored), so that a
    // caller can refuse it. A time-out of 0 only takes a report that is already there.
    virtual IoResult Read(uint8_t* buf, size_t len, size_t* got,
                          std::chrono::milliseconds timeout) = 0;
    // Ends any Write or Read waiting on another thread at once (they return Gone), and makes
    // every later call return Gone. Safe to call from any thread, any number of times.
    virtual void Cancel() = 0;
    // Throws away every input report already queued for this handle. The system hands each
    // report of a device to every open handle, so a handle that sat idle while another program
    // talked to the watch holds that program's replies. False when the device is gone or never
    // stops talking. By default reads without waiting until nothing is left.
    virtual bool DiscardInput();
};

// Keeps every other Veldrant program on this computer off one interface while it lives.
class IInterfaceLock {
public:
    virtual ~IInterfaceLock() = default;
};

enum class HidNotice { Arrival, Removal };
using HidNoticeFn = std::function<void(HidNotice, const std::string& path)>;

// A running subscription to arrival and removal notices; destroying it stops them.
class INoticeSubscription {
public:
    virtual ~INoticeSubscription() = default;
};

class IHidTransport {
public:
    virtual ~IHidTransport() = default;
    // Short name for listings: "hidraw", "sim".
    virtual std::string Name() const = 0;
    // Paths of the present HID interfaces, in a stable enumeration order.
    virtual std::vector<std::string> ListInterfaces() = 0;
    // Ids of an interface without claiming it; nullopt when it cannot be read.
    virtual std::optional<HidIds> ReadIds(const std::string& path, OpenError* error = nullptr) = 0;
    // Opens an interface for exchanges; nullptr on failure with the reason in *error.
    virtual std::unique_ptr<IHidDevice> Open(const std::string& path,
                                             OpenError* error = nullptr) = 0;
    // Starts delivering arrival and removal notices carrying the interface path. `fn` runs on
    // a thread of the transport's own; it must be quick and thread-safe.
    virtual std::unique_ptr<INoticeSubscription> Subscribe(HidNoticeFn fn) = 0;
    // Takes, without waiting, the lock that keeps every other Veldrant program off the
    // interface at `path` while the returned object lives (a job of one program never sees
    // another's requests land in the middle of it). nullptr when another program holds it;
    // *holder then gets that program's process id where the system tells it, else 0. A lock
    // that cannot be taken for any other reason (the node cannot be opened, a folder that is
    // not ours) holds nothing and lets the caller go on: opening the interface says what is
    // wrong. By default (interfaces that only this process can reach) it holds nothing.
    virtual std::unique_ptr<IInterfaceLock> Lock(const std::string& path, long* holder);
};

// The transports present on this platform, real ones first (hidraw), then simulated watches.
std::vector<std::shared_ptr<IHidTransport>> DefaultTransports();

}  // namespace veldrant::platform
