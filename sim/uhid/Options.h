// Command line of veldrant-uhid-watch.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace veldrant::sim::uhid {

struct Options {
    size_t model = 3;                      // row of the device table the watch presents
    uint32_t reportLength = 525;           // L of both reports, report-ID byte included
    std::optional<uint32_t> inputLength;   // overrides L for the input report
    std::optional<uint32_t> outputLength;  // overrides L for the output report
    std::optional<uint16_t> vendorId;      // override the model's ids
    std::optional<uint16_t> productId;
    std::optional<uint16_t> release;
    bool foreign = false;  // a vendor-defined device of another maker that answers nothing
    int unplugAfter = -1;  // unplug on the request after this many answered ones (-1: never)
    std::string storeDir;  // where a received firmware image is written (firmware.bin)
    std::string name;      // HID name; empty: one made from the model
    std::string node = "/dev/uhid";
    bool help = false;
};

// Parses argv; on a mistake returns nullopt with the reason in *error.
std::optional<Options> ParseOptions(int argc, char** argv, std::string* error);

extern const char* const kUsage;

}  // namespace veldrant::sim::uhid
