// What the uhid watch presents beyond the simulator's own options: the HID device's ids, its
// report lengths, its name, and the foreign-device mode.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "sim/OptionRegistry.h"
#include "sim/uhid/UhidDevice.h"

namespace veldrant::sim::uhid {

struct UhidConfig {
    std::optional<uint32_t> inputLength;   // instead of the watch's report length
    std::optional<uint32_t> outputLength;  // instead of the watch's report length
    std::optional<uint16_t> vendorId;      // instead of the model's ids
    std::optional<uint16_t> productId;
    std::optional<uint16_t> release;
    bool foreign = false;  // a vendor-defined device of another maker that answers nothing
    std::string hidName;   // empty: a name made from the model
    std::string node = "/dev/uhid";
};

// The settings the uhid options (UhidOptions.cpp) fill in.
UhidConfig& UhidSettings();

// A vendor-defined device of someone else: the test ids of pid.codes, release 1.00.
inline constexpr uint16_t kForeignVendor = 0x1209;
inline constexpr uint16_t kForeignProduct = 0x0001;
inline constexpr uint16_t kForeignRelease = 0x0100;

// What the device presents for these settings: ids, name, descriptor.
UhidParams ParamsFor(const SimConfig& sim, const UhidConfig& uhid);

}  // namespace veldrant::sim::uhid
