#include "sim/uhid/ReportDescriptor.h"

#include <stdexcept>

namespace veldrant::sim::uhid {
namespace {

// Short items: one prefix byte (tag, type, size code) followed by 0, 1, 2 or 4 data bytes.
enum : uint8_t {
    kInput = 0x80,
    kOutput = 0x90,
    kCollection = 0xA0,
    kEndCollection = 0xC0,
    kUsagePage = 0x04,
    kLogicalMinimum = 0x14,
    kLogicalMaximum = 0x24,
    kReportSize = 0x74,
    kReportCount = 0x94,
    kUsage = 0x08,
};
constexpr uint8_t kApplication = 0x01;
constexpr uint8_t kDataVariableAbsolute = 0x02;

class Writer {
public:
    // An item with the shortest data that holds `value` as an unsigned number. Logical Maximum
    // is signed in HID, so 255 needs two bytes there: callers pass `signedValue` for it.
    void Item(uint8_t prefix, uint32_t value, bool signedValue = false) {
        const uint32_t oneByteLimit = signedValue ? 0x7F : 0xFF;
        const uint32_t twoByteLimit = signedValue ? 0x7FFF : 0xFFFF;
        if (value <= oneByteLimit) {
            bytes_.push_back(prefix | 1);
            bytes_.push_back(uint8_t(value));
        } else if (value <= twoByteLimit) {
            bytes_.push_back(prefix | 2);
            bytes_.push_back(uint8_t(value));
            bytes_.push_back(uint8_t(value >> 8));
        } else {
            bytes_.push_back(prefix | 3);
            for (int shift = 0; shift < 32; shift += 8) {
                bytes_.push_back(uint8_t(value >> shift));
            }
        }
    }
    void Bare(uint8_t prefix) { bytes_.push_back(prefix); }
    std::vector<uint8_t> Take() { return std::move(bytes_); }

private:
    std::vector<uint8_t> bytes_;
};

void CheckLength(uint32_t length) {
    if (length < kMinReportLength || length > kMaxReportLength) {
        throw std::invalid_argument("report length out of range");
    }
}

}  // namespace

std::vector<uint8_t> BuildReportDescriptor(uint32_t inputLength, uint32_t outputLength) {
    CheckLength(inputLength);
    CheckLength(outputLength);
    Writer w;
    w.Item(kUsagePage, kVendorUsagePage);
    w.Item(kUsage, 0x01);
    w.Item(kCollection, kApplication);
    w.Item(kLogicalMinimum, 0);
    w.Item(kLogicalMaximum, 0xFF, true);
    w.Item(kReportSize, 8);
    w.Item(kReportCount, inputLength - 1);
    w.Item(kUsage, 0x01);
    w.Item(kInput, kDataVariableAbsolute);
    w.Item(kReportCount, outputLength - 1);
    w.Item(kUsage, 0x02);
    w.Item(kOutput, kDataVariableAbsolute);
    w.Bare(kEndCollection);
    return w.Take();
}

}  // namespace veldrant::sim::uhid
