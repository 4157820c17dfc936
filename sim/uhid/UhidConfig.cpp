#include "sim/uhid/UhidConfig.h"

#include <cstdio>

#include "devicelink/DeviceIdentity.h"
#include "sim/uhid/ReportDescriptor.h"

namespace veldrant::sim::uhid {

UhidConfig& UhidSettings() {
    static UhidConfig config;
    return config;
}

UhidParams ParamsFor(const SimConfig& sim, const UhidConfig& uhid) {
    const DeviceIdentity& row = g_DeviceTable.at(sim.watch.model);
    UhidParams p;
    p.vendorId = uhid.vendorId.value_or(uhid.foreign ? kForeignVendor : row.wVendorId);
    p.productId = uhid.productId.value_or(uhid.foreign ? kForeignProduct : row.wProductId);
    p.release = uhid.release.value_or(uhid.foreign ? kForeignRelease : row.wRelease);
    p.reportDescriptor = BuildReportDescriptor(uhid.inputLength.value_or(sim.watch.reportLength),
                                               uhid.outputLength.value_or(sim.watch.reportLength));
    if (!uhid.hidName.empty()) {
        p.name = uhid.hidName;
    } else if (uhid.foreign) {
        p.name = "Vendor-defined HID device";
    } else {
        p.name = "VELDRANT KVT2700 (row " + std::to_string(sim.watch.model) + ")";
    }
    p.phys = "veldrant-uhid-watch";
    // A uhid device has no USB parent, so no bcdDevice in sysfs, and the kernel shows its
    // version nowhere else: the release number goes into the unique id as four hex digits,
    // where the hidraw transport looks for it on a USB-bus device without a USB parent.
    char release[8];
    std::snprintf(release, sizeof release, "%04X", unsigned(p.release));
    p.uniq = release;
    return p;
}

}  // namespace veldrant::sim::uhid
