// veldrant-cli firmware check / firmware update: the firmware image check on its own, and the
// update of the connected watch with the desktop page's messages and progress.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

#include "cli/Command.h"
#include "cli/Connect.h"
#include "cli/DryRun.h"
#include "cli/TerminalHost.h"
#include "firmware/FirmwareFile.h"
#include "firmware/FirmwareImage.h"
#include "firmware/FirmwareUpdate.h"
#include "firmware/VersionQuery.h"
#include "platform/Interrupt.h"
#include "platform/PlatformTexts.h"

namespace veldrant::cli {
namespace {

// The connected watch for one command, looked for once; the update tests the connected flag
// that its removal handling clears before each block. The link's diagnostic line stays off.
int OpenWatch(WatchSession& watch, bool verbose) {
    watch.ShowDiscoveryLine(verbose);
    return watch.OpenQuietly(kSingleTry);
}

int NoWatch() {
    std::fprintf(stderr,
                 "veldrant-cli: no watch found. Connect the watch with its USB cable (or start "
                 "veldrant-sim) and try again.\n");
    return kExitNoWatch;
}

std::string ModelLabel(size_t row) {
    std::string name(g_DeviceTable[row].Name());
    return "row " + std::to_string(row) + " (" + (name.empty() ? "marker form" : name) + ")";
}

// --model ROW|NAME: a row of the device table by number or by identity name.
std::optional<size_t> FindModel(const std::string& text) {
    for (size_t row = 0; row < g_DeviceTable.size(); ++row) {
        if (text == std::to_string(row) || (row > 0 && text == g_DeviceTable[row].Name())) {
            return row;
        }
    }
    return std::nullopt;
}

void ShowLoadFailure(TerminalHost& host, firmware::LoadOutcome outcome) {
    firmware::LoadMessage m = firmware::MessageFor(outcome);
    host.ShowMessage(std::string(m.text), std::string(m.caption), ops::MessageIcon::Error);
}

// What the image says of itself, for a person deciding which watch it is for.
void Describe(const std::string& path, const firmware::CFirmwareFile& file) {
    std::printf("%s: %u bytes\n", path.c_str(), file.Length());
    std::string_view name = firmware::NameFieldOf(file.Data(), file.Length());
    bool marker = file.Length() >= firmware::kMarkerTrailerSize &&
                  std::string_view(reinterpret_cast<const char*>(file.Data()) + file.Length() -
                                       firmware::kMarkerFromEnd,
                                   firmware::kFirmwareMarker.size()) == firmware::kFirmwareMarker;
    if (marker)
        std::printf("  trailer: marker form (\"_QMX_WATCH_FW_\")\n");
    if (!name.empty()) {
        std::printf("  trailer: name form for \"%.*s\"\n", int(name.size()), name.data());
    }
}

void ExplainLoadFailure(const std::string& path, firmware::LoadOutcome load, CDeviceLink* link);

struct FirmwareArgs {
    std::string path;
    std::optional<size_t> model;
    bool verbose = false;
    bool dryRun = false;
};

int Check(const FirmwareArgs& a) {
    const std::optional<std::string> path = a.path;
    const std::optional<size_t> model = a.model;
    TerminalHost host([] { return false; });
    firmware::CFirmwareFile file;
    firmware::LoadOutcome load = file.Open(*path);
    if (load == firmware::LoadOutcome::Ok)
        load = file.Read();
    if (load != firmware::LoadOutcome::Ok) {
        ShowLoadFailure(host, load);
        ExplainLoadFailure(*path, load, nullptr);
        return kExitFailure;
    }
    Describe(*path, file);
    bool fitsWanted = false;
    for (size_t row = 0; row < g_DeviceTable.size(); ++row) {
        if (model && row != *model)
            continue;
        bool fits = firmware::CheckFirmwareImage(g_DeviceTable[row].Name(), file.Data(),
                                                 file.Length()) == 1;
        std::printf("  %s: %s\n", ModelLabel(row).c_str(), fits ? "fits" : "does not fit");
        fitsWanted = fitsWanted || fits;
    }
    if (!model) {
        // The check the update would make: against the watch that is connected, if one is.
        WatchSession watch;
        if (OpenWatch(watch, a.verbose) == kExitOk) {
            std::string name(watch.Link().m_Identity.Name());
            bool fits = firmware::CheckFirmwareImage(name, file.Data(), file.Length()) == 1;
            std::printf("  connected watch, %s: %s\n",
                        ModelLabel(watch.Link().m_Identity.wRowNumber).c_str(),
                        fits ? "fits" : "does not fit");
            fitsWanted = fits;
        }
    }
    if (!fitsWanted) {
        ShowLoadFailure(host, firmware::LoadOutcome::Incorrect);
        ExplainLoadFailure(*path, firmware::LoadOutcome::Incorrect, nullptr);
        return kExitFailure;
    }
    return kExitOk;
}

std::string Hex4(uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof(text), "0x%04X", unsigned(value));
    return text;
}

// The row of the watch an image was made for, if any.
std::optional<size_t> MadeFor(const firmware::CFirmwareFile& file) {
    for (size_t row = 0; row < g_DeviceTable.size(); ++row) {
        if (firmware::CheckFirmwareImage(g_DeviceTable[row].Name(), file.Data(), file.Length()) ==
            1) {
            return row;
        }
    }
    return std::nullopt;
}

// Why an image made for no known watch fits none, after the file's name: what its trailer names
// and why that does not hold.
std::string WhyForNoWatch(const firmware::CFirmwareFile& file) {
    const firmware::TrailerReading trailer = firmware::ReadTrailers(file.Data(), file.Length());
    std::string names;
    std::optional<firmware::TrailerCheck> check;
    if (trailer.name && !trailer.nameField.empty()) {
        names = "\"" + std::string(trailer.nameField) + "\"";
        for (size_t row = 1; row < g_DeviceTable.size(); ++row) {
            if (trailer.nameField == g_DeviceTable[row].Name())
                names += " (table row " + std::to_string(row) + ")";
        }
        check = trailer.name;
    } else if (trailer.marker) {
        names = "the marker \"" + std::string(firmware::kFirmwareMarker) + "\" (table row 0)";
        check = trailer.marker;
    }
    if (!check)
        return "carries no trailer that names a watch";
    if (check->Matches())  // a name no watch of the table has
        return "was made for " + names + ", which is no known watch";
    return "does not match its checksum: its trailer names " + names + " and holds the CRC-16 " +
           Hex4(check->stored) + ", but the image's bytes give " + Hex4(check->computed) +
           "; the file was changed or cut short after it was made";
}

// The second line under a firmware file's failure: which file, and why.
void ExplainLoadFailure(const std::string& path, firmware::LoadOutcome load, CDeviceLink* link) {
    using firmware::LoadOutcome;
    if (load == LoadOutcome::Incorrect) {
        firmware::CFirmwareFile file;
        std::string why = "carries no trailer that names a watch";
        if (file.Open(path) == LoadOutcome::Ok && file.Read() == LoadOutcome::Ok) {
            if (std::optional<size_t> row = MadeFor(file)) {
                why = "was made for the watch of table " + ModelLabel(*row);
                if (link && link->m_bConnected)
                    why +=
                        ", not for the connected one, " + ModelLabel(link->m_Identity.wRowNumber);
            } else {
                why = WhyForNoWatch(file);
            }
        }
        std::fprintf(stderr, "veldrant-cli: %s %s\n", path.c_str(), why.c_str());
        return;
    }
    std::string why = InputProblem(path);
    if (why.empty()) {
        errno = 0;
        FILE* f = std::fopen(path.c_str(), "rb");
        why = "'" + path + "': " + (f ? "could not be read whole" : std::strerror(errno));
        if (f)
            std::fclose(f);
    }
    std::fprintf(stderr, "veldrant-cli: %s\n", why.c_str());
}

// The closing line for each way an update ends; the exit status.
int Report(const firmware::UpdateResult& r, CDeviceLink& link, bool connected,
           const std::string& path) {
    using firmware::UpdateOutcome;
    switch (r.outcome) {
        case UpdateOutcome::Done: {
            std::printf("Firmware written: %u bytes in %u blocks", r.length, r.blockCount);
            if (r.retries)
                std::printf(" (%u sent twice)", r.retries);
            std::printf(".\n");
            if (auto version = firmware::QueryFirmwareVersion(link)) {
                std::printf("The watch reports %s.\n", version->c_str());
            }
            return kExitOk;
        }
        case UpdateOutcome::FileFailed:
            ExplainLoadFailure(path, r.load, &link);
            return kExitFailure;
        case UpdateOutcome::StartFailed:
            std::fprintf(stderr,
                         "veldrant-cli: the watch did not accept the start of the update; nothing "
                         "was written. Check the cable and try again.\n");
            return kExitFailure;
        case UpdateOutcome::BlockFailed:
            if (!connected) {
                // The cable was pulled during the block: that is what the person should hear.
                std::fprintf(stderr,
                             "veldrant-cli: the watch was removed during block %u of %u; its "
                             "firmware is incomplete. Reconnect it and run the update again.\n",
                             r.blocksSent + 1, r.blockCount);
                return kExitFailure;
            }
            std::fprintf(stderr,
                         "veldrant-cli: block %u of %u failed twice; the watch's firmware is "
                         "incomplete. Reconnect the watch and run the update again.\n",
                         r.blocksSent, r.blockCount);
            return kExitFailure;
        case UpdateOutcome::DeviceRemoved:
            std::fprintf(stderr,
                         "veldrant-cli: the watch was removed after %u of %u blocks; its firmware "
                         "is incomplete. Reconnect it and run the update again.\n",
                         r.blocksSent, r.blockCount);
            return kExitFailure;
        case UpdateOutcome::Stopped:
            std::fprintf(stderr,
                         "veldrant-cli: the update was stopped after %u of %u blocks; the watch's "
                         "firmware is incomplete. Keep the watch connected and run the same "
                         "update again to recover.\n",
                         r.blocksSent, r.blockCount);
            return kExitInterrupted;
    }
    return kExitFailure;
}

// Everything up to the start request, then what the update would write and how long it would
// take; the watch is not changed.
int DryRun(const FirmwareArgs& a, WatchSession& watch, TerminalHost& host) {
    CDeviceLink& link = watch.Link();
    firmware::FirmwarePlan plan;
    if (!firmware::PrepareFirmwareUpdate(link, host, a.path, plan)) {
        host.Finish();
        return Report(plan.result, link, !watch.Removed(), a.path);
    }
    const LinkPace pace = MeasureLinkPace(link);
    const firmware::UpdateResult& r = plan.result;
    std::string name(link.m_Identity.Name());
    std::printf("Dry run: the update would start; nothing was written to the watch.\n");
    std::printf("%s", WatchLine(link, pace).c_str());
    std::printf(
        "Image: %s, %u bytes for %s (trailer and checksum match); an image states no "
        "version\n",
        a.path.c_str(), r.length, name.empty() ? "the marker form (table row 0)" : name.c_str());
    // The start request and one exchange a block.
    std::printf("Would write: %u bytes in %s of %u bytes\n", r.length,
                Count(r.blockCount, "block", "blocks").c_str(), plan.payload);
    std::printf("%s", TimeLine(uint64_t(r.blockCount) + 1, pace).c_str());
    return kExitOk;
}

int Update(const FirmwareArgs& a) {
    WatchSession watch;
    if (int code = OpenWatch(watch, a.verbose); code != kExitOk)
        return code == kExitNoWatch ? NoWatch() : code;
    TerminalHost host([&watch] { return watch.Connected(); });
    if (a.dryRun)
        return DryRun(a, watch, host);
    // The watch is being rewritten: a first Ctrl-C only warns.
    platform::InterruptCatcher interrupts(
        true,
        "\nveldrant-cli: stopping now would leave the watch with an incomplete firmware, which "
        "it cannot start from until the update is run again. The update goes on; press Ctrl-C "
        "again within 5 seconds to stop after the block under way.\n",
        "\nveldrant-cli: stopping after the block under way.\n");
    firmware::UpdateResult result = firmware::UpdateFirmware(watch.Link(), host, a.path);
    host.Finish();
    return Report(result, watch.Link(), !watch.Removed(), a.path);
}

// --model ROW|NAME, checked while the line is parsed.
CLI::Option* AddModel(CLI::App& c, std::optional<size_t>& model) {
    return c
        .add_option_function<std::string>(
            "--model", [&model](const std::string& text) { model = FindModel(text); },
            "check for this model only: 0 (the \"_QMX_WATCH_FW_\" marker form), 1, 2, 3 or\n"
            "QMX_KV_WATCH_F, QMX_KV_WATCH_A, QMX_KVT_2700")
        ->type_name("ROW|NAME")
        ->check(CLI::Validator(
            [](std::string& text) -> std::string {
                return FindModel(text) ? ""
                                       : "unknown model '" + text +
                                             "': expected 0, 1, 2, 3, QMX_KV_WATCH_F, "
                                             "QMX_KV_WATCH_A or QMX_KVT_2700";
            },
            "ROW|NAME"));
}

const CommandRegistration kCheck([](CommandLine& line) {
    auto a = std::make_shared<FirmwareArgs>();
    CLI::App& c = line.Add(
        {"firmware check", "FILE [--model ROW|NAME]", "check a firmware image file without a watch",
         "Reads FILE and checks its trailer and CRC-16 as the update does before it sends\n"
         "anything. With --model, checks it for that model only; without it, tells which known\n"
         "models it fits, and whether it fits the watch that is connected, if one is.\n\n"
         "Exit status: 0 when the image fits (the given model, or at least one), 1 when it does\n"
         "not or cannot be read, 2 for a bad command line."},
        [a] { return Check(*a); });
    c.add_option("FILE", a->path, "the firmware image file")->required();
    AddModel(c, a->model);
    AddVerbose(c, a->verbose);
});

const CommandRegistration kUpdate([](CommandLine& line) {
    auto a = std::make_shared<FirmwareArgs>();
    CLI::App& c = line.Add(
        {"firmware update", "FILE [--dry-run]", "write a firmware image to the connected watch",
         "Checks FILE against the connected watch and writes it in blocks, with a progress bar.\n"
         "Keep the cable in until it ends: a watch unplugged part way keeps an incomplete\n"
         "firmware image until the update is run again. The first Ctrl-C only tells what\n"
         "stopping would leave; a second one within a few seconds, or " +
             platform::OtherStopRequest() +
             ", stops at\n"
             "the next block.\n\n"
             "With --dry-run it does everything up to the first byte that would change the watch\n"
             "(finds the watch, checks the image against it) and tells what would be written and\n"
             "how long it would take, timed on a few firmware version requests.\n\n"
             "Exit status: 0 when every block was accepted (with --dry-run: when the update would\n"
             "start), 1 when the file does not fit or the transfer failed, 3 when no watch is\n"
             "connected, " +
             kExitCannotOpenText + ", 130 when stopped."},
        [a] { return Update(*a); });
    c.add_option("FILE", a->path, "the firmware image file")->required();
    c.add_flag("--dry-run", a->dryRun,
               "check everything and tell what would be written, without writing");
    AddVerbose(c, a->verbose);
});

}  // namespace
}  // namespace veldrant::cli
