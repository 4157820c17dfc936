// Shared helpers of the tests that run in the VM against the kernel's HID stack: a device link
// on the hidraw transport alone, discovery with a deadline, and the sysfs lookups that tell
// which hidraw node belongs to which uhid watch.
#pragma once

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "devicelink/DeviceLink.h"
#include "platform/HidTransport.h"

namespace veldrant::vmtest {

// True when this machine has the kernel's uhid node (the VM has; an ordinary host may not).
bool HaveUhid();

// The Linux hidraw transport, the one the product uses for real watches.
std::shared_ptr<platform::IHidTransport> Hidraw();

// A device link on the hidraw transport only, with the product's exchange time-out. Its
// diagnostic line goes to `diagnostics` (nullptr: nowhere).
std::unique_ptr<CDeviceLink> HidrawLink(std::FILE* diagnostics = nullptr);

// Calls Discover every 50 ms until it succeeds or `limit` passes: a uhid device's hidraw node
// appears a moment after the device is created.
bool DiscoverWithin(CDeviceLink& link, std::chrono::milliseconds limit);

// The /dev/hidrawN node of the HID device whose HID_NAME is `name`, once it exists.
std::optional<std::string> HidrawNodeNamed(const std::string& name,
                                           std::chrono::milliseconds limit);

// The number N of the watch's "exit reports=N answered=M" line (-1 when it has none).
int ReportsServed(const std::vector<std::string>& lines);

// Captures what is written to a FILE* (the link's diagnostic line) in memory.
class CapturedStream {
public:
    CapturedStream();
    ~CapturedStream();
    std::FILE* File() { return file_; }
    std::string Text();

private:
    std::FILE* file_ = nullptr;
    char* buffer_ = nullptr;
    size_t size_ = 0;
};

}  // namespace veldrant::vmtest
