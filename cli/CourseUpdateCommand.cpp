// veldrant-cli course update: the course data upload to the connected watch, with the desktop
// page's messages and progress, and a summary of what the watch took.
#include <cstdio>

#include "cli/Command.h"
#include "cli/Connect.h"
#include "cli/TerminalHost.h"
#include "course/CourseUpload.h"
#include "platform/Interrupt.h"

namespace veldrant::cli {
namespace {

void PrintSummary(const course::UploadSummary& s) {
    std::printf("Golf courses: %u in the package, %u sent, %u skipped by the watch", s.golfCourses,
                s.sent, s.skipped);
    if (s.repeated)
        std::printf(", %u sent again", s.repeated);
    std::printf(" (%s", Count(s.blocks, "block", "blocks").c_str());
    if (s.blockRetries)
        std::printf(", %s repeated", Count(s.blockRetries, "try", "tries").c_str());
    std::printf(").\n");
}

struct UpdateArgs {
    std::string package;
    bool verbose = false;
};

int Run(const UpdateArgs& a) {
    // Looked for once, followed as the desktop's watcher does: a removal notice for the open
    // interface closes the link, so the exchange under way fails at once.
    WatchSession watch;
    watch.ShowDiscoveryLine(a.verbose);
    if (int code = watch.OpenQuietly(kSingleTry); code != kExitOk) {
        if (code != kExitNoWatch)
            return code;  // explained already
        std::fprintf(stderr,
                     "veldrant-cli: no watch found. Connect the watch with its USB cable (or "
                     "start veldrant-sim) and try again.\n");
        return kExitNoWatch;
    }
    // The course worker learns of a removal from its failing exchanges, not from the flag.
    TerminalHost host([] { return g_bConnected.load() != 0; });
    // The watch is being rewritten: a first Ctrl-C only warns.
    platform::InterruptCatcher interrupts(
        true,
        "\nveldrant-cli: stopping now would leave the watch's course data incomplete: the golf "
        "course being sent is cut short and the ones after it are missing. The upload goes on; "
        "press Ctrl-C again within 5 seconds to stop after the block under way.\n",
        "\nveldrant-cli: stopping after the block under way.\n");
    course::UploadSummary summary = course::UpdateCourses(watch.Link(), host, a.package);
    host.Finish();
    if (summary.ok) {
        PrintSummary(summary);
        return kExitOk;
    }
    const bool removed = watch.Removed();
    if (summary.blocks == 0 && !summary.stopped && !removed) {
        // Nothing reached the watch: the reason alone.
        std::fprintf(stderr, "veldrant-cli: %s: %s; nothing was sent to the watch.\n",
                     a.package.c_str(), summary.failure.c_str());
        return kExitFailure;
    }
    PrintSummary(summary);
    if (summary.stopped) {
        std::fprintf(stderr,
                     "veldrant-cli: the upload was stopped; the watch's course data is "
                     "incomplete. Keep the watch connected and run the same update again to "
                     "finish it.\n");
        return kExitInterrupted;
    }
    if (removed) {
        std::fprintf(stderr,
                     "veldrant-cli: the watch was removed during the upload; its course data is "
                     "incomplete. Reconnect it and run the same update again to finish it.\n");
        return kExitFailure;
    }
    std::fprintf(stderr,
                 "veldrant-cli: the upload stopped: %s. What the watch took so far stays; run "
                 "the update again to finish it.\n",
                 summary.failure.c_str());
    return kExitFailure;
}

const CommandRegistration kUpdate([](CommandLine& line) {
    auto a = std::make_shared<UpdateArgs>();
    CLI::App& c = line.Add(
        {"course update", "PKG.zip", "write a course package's golf courses to the connected watch",
         "Reads the course package, builds the directory image and one course image a golf\n"
         "course, and writes them to the watch with a progress bar. The watch may skip golf\n"
         "courses it holds already; a golf course it does not confirm is sent again (at most 10\n"
         "times). Keep the cable in until it ends; an upload can take many minutes. The first\n"
         "Ctrl-C only tells what stopping would leave; a second one within a few seconds, or\n"
         "SIGTERM, stops at the next block.\n\n"
         "Exit status: 0 when the watch took the whole package, 1 when the package cannot be\n"
         "read or the upload stopped, 3 when no watch is connected, 130 when stopped."},
        [a] { return Run(*a); });
    line.Input(c.add_option("PKG.zip", a->package, "the course package")->required());
    AddVerbose(c, a->verbose);
});

}  // namespace
}  // namespace veldrant::cli
