#include "sim/uhid/Options.h"

#include <charconv>
#include <cstring>
#include <string_view>

#include "devicelink/DeviceIdentity.h"
#include "sim/uhid/ReportDescriptor.h"

namespace veldrant::sim::uhid {

const char* const kUsage =
    "usage: veldrant-uhid-watch [options]\n"
    "Presents the simulated KVT2700 watch as a real HID device through /dev/uhid, so that the\n"
    "kernel's hidraw driver and everything above it see a plugged-in watch. Runs until SIGTERM\n"
    "or SIGINT, which unplug it.\n"
    "\n"
    "  --model N            device table row 0..3 (default 3)\n"
    "  --report-length L    input and output report length, report-ID byte included (525)\n"
    "  --input-length L     input report length only\n"
    "  --output-length L    output report length only\n"
    "  --vendor HEX         vendor id instead of the model's\n"
    "  --product HEX        product id instead of the model's\n"
    "  --release HEX        release number instead of the model's\n"
    "  --foreign            a vendor-defined HID device of another maker that answers nothing\n"
    "  --unplug-after N     unplug on the request after N answered ones\n"
    "  --store-dir DIR      write a received firmware image there as firmware.bin\n"
    "  --name TEXT          the device's HID name\n"
    "  --uhid PATH          the uhid node (default /dev/uhid)\n"
    "  --help               this text\n"
    "\n"
    "Status lines on standard output: \"created VVVV:PPPP:RRRR in=L out=L\", \"open\", \"close\",\n"
    "\"unplugged T\" (T: CLOCK_MONOTONIC in nanoseconds), \"exit reports=N answered=N\".\n";

namespace {

template <typename T>
bool ParseNumber(std::string_view text, int base, T* out) {
    if (base == 16 && (text.starts_with("0x") || text.starts_with("0X"))) {
        text.remove_prefix(2);
    }
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, *out, base);
    return !text.empty() && ec == std::errc() && ptr == end;
}

bool ValidLength(uint32_t length) {
    return length >= kMinReportLength && length <= kMaxReportLength;
}

}  // namespace

std::optional<Options> ParseOptions(int argc, char** argv, std::string* error) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        auto value = [&](std::string_view* out) {
            if (i + 1 >= argc) {
                *error = std::string(arg) + " needs a value";
                return false;
            }
            *out = argv[++i];
            return true;
        };
        auto bad = [&](std::string_view v) {
            *error = "bad value for " + std::string(arg) + ": " + std::string(v);
            return std::nullopt;
        };
        std::string_view v;
        if (arg == "--help" || arg == "-h") {
            o.help = true;
        } else if (arg == "--foreign") {
            o.foreign = true;
        } else if (arg == "--model") {
            if (!value(&v))
                return std::nullopt;
            if (!ParseNumber(v, 10, &o.model) || o.model >= g_DeviceTable.size())
                return bad(v);
        } else if (arg == "--report-length" || arg == "--input-length" ||
                   arg == "--output-length") {
            if (!value(&v))
                return std::nullopt;
            uint32_t length = 0;
            if (!ParseNumber(v, 10, &length) || !ValidLength(length))
                return bad(v);
            if (arg == "--report-length")
                o.reportLength = length;
            if (arg == "--input-length")
                o.inputLength = length;
            if (arg == "--output-length")
                o.outputLength = length;
        } else if (arg == "--vendor" || arg == "--product" || arg == "--release") {
            if (!value(&v))
                return std::nullopt;
            uint16_t id = 0;
            if (!ParseNumber(v, 16, &id))
                return bad(v);
            (arg == "--vendor" ? o.vendorId : arg == "--product" ? o.productId : o.release) = id;
        } else if (arg == "--unplug-after") {
            if (!value(&v))
                return std::nullopt;
            if (!ParseNumber(v, 10, &o.unplugAfter) || o.unplugAfter < 0)
                return bad(v);
        } else if (arg == "--store-dir") {
            if (!value(&v))
                return std::nullopt;
            o.storeDir = v;
        } else if (arg == "--name") {
            if (!value(&v))
                return std::nullopt;
            o.name = v;
        } else if (arg == "--uhid") {
            if (!value(&v))
                return std::nullopt;
            o.node = v;
        } else {
            *error = "unknown option: " + std::string(arg);
            return std::nullopt;
        }
    }
    return o;
}

}  // namespace veldrant::sim::uhid
