// One hidraw node opened for exchanges.
//
// Reads: the kernel hands over one report per read, without a report-ID byte for devices whose
// reports are unnumbered; those reads are shifted by one so that byte 0 is the report ID 0, the
// layout the frame expects. Writes: hidraw writes are synchronous and may sit in the kernel's
// 5000 ms control-transfer time-out, longer than an exchange may wait, so they run on a writer
// thread of the device's own; a write that misses its deadline makes the device unusable (every
// later call fails) until it is closed, when the writer thread finishes on its own.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/HidTransport.h"
#include "platform/ReportDescriptor.h"
#include "platform/linux/FdWait.h"

namespace veldrant::platform::linux_hid {

class HidrawDevice : public IHidDevice {
public:
    // nullptr with the reason in *error when the node cannot be opened.
    static std::unique_ptr<HidrawDevice> Open(const std::string& node, OpenError* error);
    ~HidrawDevice() override;

    uint32_t InputReportLength() const override { return lengths_.input; }
    uint32_t OutputReportLength() const override { return lengths_.output; }
    IoResult Write(const uint8_t* data, size_t len, std::chrono::milliseconds timeout) override;
    IoResult Read(uint8_t* buf, size_t len, size_t* got,
                  std::chrono::milliseconds timeout) override;
    void Cancel() override;

private:
    struct Shared;
    HidrawDevice(std::shared_ptr<Shared> shared, ReportLengths lengths);
    static void WriterLoop(std::shared_ptr<Shared> shared);

    std::shared_ptr<Shared> shared_;
    ReportLengths lengths_;
    std::vector<uint8_t> scratch_;
    std::thread writer_;
};

// Report lengths of an open hidraw node from its report descriptor (HIDIOCGRDESC); all zero
// when the descriptor cannot be read or parsed.
ReportLengths ReadReportLengths(int fd);

}  // namespace veldrant::platform::linux_hid
