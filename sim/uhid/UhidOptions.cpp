// veldrant-uhid-watch's own options, beside the simulator's: they shape the HID device rather
// than the watch behind it.
#include "sim/OptionRegistry.h"
#include "sim/uhid/ReportDescriptor.h"
#include "sim/uhid/UhidConfig.h"

namespace veldrant::sim::uhid {
namespace {

bool Length(std::optional<uint32_t>& out, const std::string& v, std::string* error) {
    long n;
    if (!ParseNumber(v, kMinReportLength, kMaxReportLength, &n)) {
        *error = "expected a report length from 2 to 4097";
        return false;
    }
    out = uint32_t(n);
    return true;
}

bool Id(std::optional<uint16_t>& out, const std::string& v, std::string* error) {
    long n;
    if (!ParseNumber(v, 0, 0xFFFF, &n)) {
        *error = "expected a 16-bit number, e.g. 0x10C4";
        return false;
    }
    out = uint16_t(n);
    return true;
}

OptionRegistration inputLength({"--input-length", "L", "input report length only",
                                [](SimConfig&, const std::string& v, std::string* e) {
                                    return Length(UhidSettings().inputLength, v, e);
                                }});
OptionRegistration outputLength({"--output-length", "L", "output report length only",
                                 [](SimConfig&, const std::string& v, std::string* e) {
                                     return Length(UhidSettings().outputLength, v, e);
                                 }});
OptionRegistration vendor({"--vendor", "ID", "vendor id instead of the model's",
                           [](SimConfig&, const std::string& v, std::string* e) {
                               return Id(UhidSettings().vendorId, v, e);
                           }});
OptionRegistration product({"--product", "ID", "product id instead of the model's",
                            [](SimConfig&, const std::string& v, std::string* e) {
                                return Id(UhidSettings().productId, v, e);
                            }});
OptionRegistration release({"--release", "ID", "release number instead of the model's",
                            [](SimConfig&, const std::string& v, std::string* e) {
                                return Id(UhidSettings().release, v, e);
                            }});
OptionRegistration foreign({"--foreign", "",
                            "a vendor-defined HID device of another maker (1209:0001) that "
                            "answers nothing",
                            [](SimConfig&, const std::string&, std::string*) {
                                UhidSettings().foreign = true;
                                return true;
                            }});
OptionRegistration hidName({"--hid-name", "TEXT", "the HID device's name",
                            [](SimConfig&, const std::string& v, std::string*) {
                                UhidSettings().hidName = v;
                                return true;
                            }});
OptionRegistration node({"--uhid", "PATH", "the uhid node (/dev/uhid)",
                         [](SimConfig&, const std::string& v, std::string*) {
                             UhidSettings().node = v;
                             return true;
                         }});

}  // namespace
}  // namespace veldrant::sim::uhid
