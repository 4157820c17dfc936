// A HID device made from user space through the kernel's uhid driver (/dev/uhid). Creating it
// makes the kernel add a HID device (and, through hid-generic, a hidraw node); destroying it, or
// closing the file, removes them again as an unplugged device would be.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace veldrant::sim::uhid {

struct UhidParams {
    std::string name;  // HID_NAME, up to 127 bytes
    std::string phys;  // HID_PHYS, up to 63 bytes
    std::string uniq;  // HID_UNIQ, up to 63 bytes
    uint16_t bus = 0;  // BUS_USB by default (set in the constructor)
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t release = 0;  // the device's version number (bcdDevice for a USB device)
    std::vector<uint8_t> reportDescriptor;
};

// What the kernel asks of the device.
struct UhidEvent {
    enum class Kind { Start, Stop, Open, Close, Output, GetReport, SetReport, Other };
    Kind kind = Kind::Other;
    std::vector<uint8_t> data;  // Output: the report as hidraw's writer gave it, byte 0 its number
    uint32_t requestId = 0;     // GetReport, SetReport: to answer with
};

class UhidDevice {
public:
    // Opens /dev/uhid (or `node`); throws std::runtime_error with the reason on failure.
    explicit UhidDevice(const std::string& node = "/dev/uhid");
    ~UhidDevice();
    UhidDevice(const UhidDevice&) = delete;
    UhidDevice& operator=(const UhidDevice&) = delete;

    void Create(const UhidParams& params);
    // Removes the HID device; the file stays open. Safe when not created.
    void Destroy();
    bool Created() const { return created_; }

    // The file to wait on for events (readable when one is queued).
    int Fd() const { return fd_; }
    // Reads one queued event; false when none is (the file is non-blocking).
    bool ReadEvent(UhidEvent* event);

    // Sends one input report: the data bytes as they go on the wire (no report-ID byte for an
    // unnumbered report).
    void SendInput(const uint8_t* data, size_t size);
    // Refuses a feature-report request (the watch has none).
    void RefuseGetReport(uint32_t requestId);
    void RefuseSetReport(uint32_t requestId);

private:
    void Send(const void* event);

    int fd_ = -1;
    bool created_ = false;
};

}  // namespace veldrant::sim::uhid
