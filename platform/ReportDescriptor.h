// Report lengths from a HID report descriptor, counted as Windows counts them (HidP_GetCaps):
// the longest report of each kind in bytes, plus one for the report-ID byte, which Windows
// counts also for devices without numbered reports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace veldrant::platform {

struct ReportLengths {
    uint32_t input = 0;     // 0: no input report
    uint32_t output = 0;    // 0: no output report
    uint32_t feature = 0;   // 0: no feature report
    bool numbered = false;  // the descriptor declares report IDs
};

// nullopt for a descriptor that is cut short, pops more than it pushed, or uses report ID 0.
std::optional<ReportLengths> ParseReportDescriptor(const uint8_t* data, size_t size);

}  // namespace veldrant::platform
