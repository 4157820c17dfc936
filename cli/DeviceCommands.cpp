// "devices" and "info": what HID interfaces look like watches, and which watch is connected.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/Command.h"
#include "cli/Connect.h"
#include "firmware/VersionQuery.h"
#include "platform/PlatformTexts.h"
#include "platform/SimProtocol.h"

namespace veldrant::cli {
namespace {

std::string Hex4(uint16_t v) {
    char text[8];
    std::snprintf(text, sizeof(text), "%04X", unsigned(v));
    return text;
}

void PrintInterface(const CDeviceLink::InterfaceReport& r) {
    std::printf("%-6s %s\n", r.transport.c_str(), r.path.c_str());
    if (r.ids) {
        std::printf("       ids %s:%s release %s", Hex4(r.ids->vendorId).c_str(),
                    Hex4(r.ids->productId).c_str(), Hex4(r.ids->release).c_str());
        if (r.tableRow >= 0) {
            std::string name(g_DeviceTable[size_t(r.tableRow)].Name());
            std::printf(", table row %d%s", r.tableRow, name.empty() ? "" : (" " + name).c_str());
        }
        std::printf("\n");
    }
    if (r.inputLength || r.outputLength) {
        std::printf("       report length %u in / %u out\n", r.inputLength, r.outputLength);
    }
    std::printf("       %s: %s\n", r.confirmed ? "confirmed" : "not usable", r.verdict.c_str());
}

int RunDevices(bool all) {
    CDeviceLink link;
    link.SetDiagnosticStream(nullptr);
    std::vector<CDeviceLink::InterfaceReport> seen = link.Survey();
    int shown = 0, confirmed = 0, denied = 0;
    for (const auto& r : seen) {
        bool refused = r.error == platform::OpenError::PermissionDenied ||
                       r.error == platform::OpenError::InUse;
        bool maybeWatch = r.tableRow >= 0 || refused;
        if (!all && !maybeWatch)
            continue;
        PrintInterface(r);
        ++shown;
        confirmed += r.confirmed ? 1 : 0;
        denied += refused ? 1 : 0;
    }
    if (shown == 0) {
        std::printf("No watch among %zu HID interface%s (simulated watches: %s).\n", seen.size(),
                    seen.size() == 1 ? "" : "s", platform::SimDirectory().c_str());
    }
    if (confirmed > 0)
        return kExitOk;
    if (denied > 0) {
        int code;
        std::fprintf(stderr, "%s", NoWatchMessage(seen, &code).c_str());
        return kExitPermission;
    }
    return kExitNoWatch;
}

int RunInfo(bool verbose) {
    WatchSession session;
    session.ShowDiscoveryLine(verbose);
    if (int rc = session.Open(); rc != kExitOk)
        return rc;
    CDeviceLink& link = session.Link();
    std::string name(link.m_Identity.Name());
    int row = link.m_Identity.wRowNumber;
    // The firmware page's version query: code 1, block 0.
    std::optional<std::string> version = firmware::QueryFirmwareVersion(link);
    bool answered = version.has_value();
    std::printf("%s\n", name.empty() ? "(no identity name: table row 0)" : name.c_str());
    if (answered)
        std::printf("%s\n", version->c_str());
    if (verbose) {
        std::printf("table row %d, %s, report length %u (payload %u)\n", row,
                    link.DevicePath().c_str(), unsigned(link.m_dwReportLength),
                    unsigned(link.m_dwHIDPacketSize));
    }
    if (!answered) {
        std::fprintf(stderr,
                     "veldrant-cli: the watch did not answer the firmware version "
                     "request (command 1).\n");
        return kExitFailure;
    }
    return kExitOk;
}

const CommandRegistration kDevices([](CommandLine& line) {
    auto all = std::make_shared<bool>(false);
    CLI::App& c = line.Add(
        {"devices", "[--all]",
         "list the HID interfaces that look like a watch, and what became of each",
         "Lists the HID interfaces of every transport (" + platform::DeviceSources() +
             ")\nwhose ids match a known watch: transport, path, ids, report length, and whether\n"
             "the watch's identity was confirmed, or why not. Each matching interface is opened\n"
             "briefly.\n\n"
             "Exit status: 0 a confirmed watch is present, 3 none, " +
             kExitCannotOpenText + "\n(" + platform::PermissionRemedy() + ")."},
        [all] { return RunDevices(*all); });
    c.add_flag("--all", *all, "list every HID interface, also those of other devices");
});

const CommandRegistration kInfo([](CommandLine& line) {
    auto verbose = std::make_shared<bool>(false);
    CLI::App& c = line.Add(
        {"info", "[--verbose] [--wait]",
         "show the connected watch's identity name and firmware version",
         "Finds the watch as the desktop application does, and prints its identity name and its\n"
         "firmware version as the firmware page shows it.\n\n"
         "Exit status: 0 done, 1 the watch did not answer, 3 no watch, " +
             std::string(kExitCannotOpenText) + "."},
        [verbose] { return RunInfo(*verbose); });
    c.add_flag("-v,--verbose", *verbose,
               "also the table row, the interface path and the report length, and the discovery "
               "line");
    c.add_flag("--wait", WaitForBusyWatch(),
               "when another Veldrant program is working with the watch, wait for it to finish "
               "instead of giving up");
});

}  // namespace
}  // namespace veldrant::cli
