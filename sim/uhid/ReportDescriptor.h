// The HID report descriptor the uhid watch presents: one vendor-defined application collection
// with one input and one output report of 8-bit fields and no report IDs, as the watch has.
#pragma once

#include <cstdint>
#include <vector>

namespace veldrant::sim::uhid {

// Vendor-defined usage page of the watch's interface.
inline constexpr uint16_t kVendorUsagePage = 0xFF00;

// Report lengths count the report-ID byte (the way Windows and the product count them), so a
// length L describes L - 1 data bytes on the wire. The kernel takes up to 4096 data bytes.
inline constexpr uint32_t kMinReportLength = 2;
inline constexpr uint32_t kMaxReportLength = 4097;

// The descriptor for the given input and output report lengths; both must lie within
// [kMinReportLength, kMaxReportLength].
std::vector<uint8_t> BuildReportDescriptor(uint32_t inputLength, uint32_t outputLength);

}  // namespace veldrant::sim::uhid
