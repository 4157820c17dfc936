// veldrant-cli course update: the course data upload to the connected watch, with the desktop
// page's messages and progress, and a summary of what the watch took.
#include <cstdio>

#include "cli/Command.h"
#include "cli/Connect.h"
#include "cli/DryRun.h"
#include "cli/TerminalHost.h"
#include "course/CourseUpload.h"
#include "platform/Interrupt.h"
#include "platform/PlatformTexts.h"

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
    bool dryRun = false;
};

// The package read and every image built as the upload would, then what would be written and
// how long it would take; the watch is not changed.
int DryRun(const UpdateArgs& a, WatchSession& watch, TerminalHost& host,
           const course::UploadOptions& options) {
    course::UploadPlan plan;
    const bool ready = course::PlanCourseUpload(watch.Link(), host, a.package, plan, options);
    host.Finish();
    if (!ready) {
        host.ShowMessage(course::kTextCourseFailed, ops::kCaptionError, ops::MessageIcon::Error);
        std::fprintf(stderr, "veldrant-cli: %s: %s; nothing was sent to the watch.\n",
                     a.package.c_str(), plan.failure.c_str());
        return kExitFailure;
    }
    const LinkPace pace = MeasureLinkPace(watch.Link());
    std::printf("Dry run: the upload would start; nothing was written to the watch.\n");
    std::printf("%s", WatchLine(watch.Link(), pace).c_str());
    std::printf("Package: %s, %s\n", a.package.c_str(),
                Count(plan.golfCourses, "golf course", "golf courses").c_str());
    std::printf(
        "Would write: the directory, %llu bytes in %s; the golf courses, %llu bytes in "
        "%s; %s (blocks of %u bytes)\n",
        static_cast<unsigned long long>(plan.directoryBytes),
        Count(plan.directoryBlocks, "block", "blocks").c_str(),
        static_cast<unsigned long long>(plan.courseBytes),
        Count(plan.courseBlocks, "block", "blocks").c_str(),
        Count(plan.records, "record", "records").c_str(), plan.payload);
    std::printf("%s", TimeLine(plan.Exchanges(), pace).c_str());
    std::printf("The watch may skip golf courses it holds already, which shortens the upload.\n");
    return kExitOk;
}

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
    course::UploadOptions options;
    options.applicationName = "veldrant-cli";
    // A pulled cable is said as such, not as a package that could not be read.
    options.watchRemoved = [&watch] { return watch.Removed(); };
    if (a.dryRun)
        return DryRun(a, watch, host, options);
    // The watch is being rewritten: a first Ctrl-C only warns.
    platform::InterruptCatcher interrupts(
        true,
        "\nveldrant-cli: stopping now would leave the watch's course data incomplete: the golf "
        "course being sent is cut short and the ones after it are missing. The upload goes on; "
        "press Ctrl-C again within 5 seconds to stop after the block under way.\n",
        "\nveldrant-cli: stopping after the block under way.\n");
    course::UploadSummary summary = course::UpdateCourses(watch.Link(), host, a.package, options);
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
        {"course update", "PKG.zip [--dry-run]",
         "write a course package's golf courses to the connected watch",
         "Reads the course package, builds the directory image and one course image a golf\n"
         "course, and writes them to the watch with a progress bar. The watch may skip golf\n"
         "courses it holds already; a golf course it does not confirm is sent again (at most 10\n"
         "times). Keep the cable in until it ends; an upload can take many minutes. The first\n"
         "Ctrl-C only tells what stopping would leave; a second one within a few seconds, or\n" +
             platform::OtherStopRequest() +
             ", stops at the next block.\n\n"
             "With --dry-run it does everything up to the first byte that would change the watch\n"
             "(finds the watch, reads the package, builds every image) and tells what would be\n"
             "written and how long it would take, timed on a few firmware version requests.\n\n"
             "Exit status: 0 when the watch took the whole package (with --dry-run: when the\n"
             "upload would start), 1 when the package cannot be read or the upload stopped, 3\n"
             "when no watch is connected, " +
             kExitCannotOpenText + ", 130 when stopped."},
        [a] { return Run(*a); });
    line.Input(c.add_option("PKG.zip", a->package, "the course package")->required());
    c.add_flag("--dry-run", a->dryRun,
               "read and build everything and tell what would be written, without writing");
    AddVerbose(c, a->verbose);
});

}  // namespace
}  // namespace veldrant::cli
