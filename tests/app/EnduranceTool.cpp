// veldrant_endurance: the window over a simulated watch that is pulled out and plugged in again
// many times while mark imports run, with this process's resident memory, descriptors (handles
// on Windows) and threads sampled as it goes. bench/endurance.sh runs it; a short form runs
// with the tests. Exit status 1 when descriptors or threads grew, 2 when the window stopped
// doing its job.
#include <QApplication>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "marks/Dialog6.h"
#include "sim/MarkSample.h"
#include "sim/MarkService.h"
#include "tests/app/GuiSupport.h"
#include "tests/support/ProcessStats.h"
#include "tests/support/TempDir.h"
#include "widgets/ButtonST.h"
#include "widgets/TextProgressCtrl.h"

namespace {

using namespace veldrant;
using namespace veldrant::guitest;

struct Options {
    int plugs = 1000;
    int imports = 100;
};

Options Parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--plugs") == 0)
            o.plugs = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--imports") == 0)
            o.imports = std::atoi(argv[i + 1]);
    }
    return o;
}

void Print(const char* when, int plugs, int imports, const testing::ProcessStats& s) {
    const std::string descriptors =
        s.descriptors ? std::to_string(*s.descriptors) : std::string("n/a");
    std::printf("%-8s %6d %7d %12llu %11s %7llu\n", when, plugs, imports,
                static_cast<unsigned long long>(s.residentKiB), descriptors.c_str(),
                static_cast<unsigned long long>(s.threads));
    std::fflush(stdout);
}

// What the window's last search made of each interface, when the watch was not found again.
void ExplainLastSearch() {
    CDeviceLink* link = veldrant::g_pDeviceLink.load();
    if (!link)
        return;
    for (const CDeviceLink::InterfaceReport& r : link->LastDiscovery())
        std::fprintf(stderr, "  %s %s: %s\n", r.transport.c_str(), r.path.c_str(),
                     r.verdict.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const Options o = Parse(argc, argv);
    veldrant::testing::TempDir out;
    WindowRig rig({}, true, std::chrono::milliseconds(2000), std::chrono::milliseconds(20));
    rig.Sim().GetWatch().AddService(
        std::make_shared<sim::MarkService>(sim::EncodeSample(sim::GenerateMarkSample())));
    CBrassieDlg& window = rig.Open();
    MessageBoxCatcher catcher;
    if (!rig.WaitConnected())
        return 2;

    int imports = 0;
    auto importOnce = [&]() -> bool {
        const std::string path = out.Path() + "/marks.csv";
        rig.Dialogs().answer = QString::fromStdString(path);
        // The pages see the watch on their one-second tick.
        if (!rig.WaitFacesSettled())
            return false;
        ClickTab(window, 0);
        Click(window.MarkPage()->StartButton());
        bool done = WaitFor(
            [&] {
                return window.MarkPage()->StartButton()->isEnabled() &&
                       window.ProgressBar().WindowText() == "完了しました。";
            },
            kLongWait);
        std::error_code ec;
        bool written = std::filesystem::file_size(path, ec) > 100;
        std::filesystem::remove(path, ec);
        window.ProgressBar().SetWindowText(QString());
        ++imports;
        return done && written;
    };
    auto plugOnce = [&]() -> bool {
        rig.Sim().Server().Unplug();
        if (!WaitFor([] { return g_bConnected.load() == 0; }, kLongWait)) {
            std::error_code ec;
            std::fprintf(stderr, "the window did not see the watch go (its interface %s)\n",
                         std::filesystem::exists(rig.Sim().Server().Path(), ec) ? "is still there"
                                                                                : "has gone");
            return false;
        }
        // The interface's name may still be held for a moment by the connections just closed
        // (named pipes under Windows): plugging in is tried again until it takes.
        std::string error;
        if (!WaitFor([&] { return rig.Sim().Server().Plug(&error); }, kLongWait)) {
            std::fprintf(stderr, "the watch could not be plugged in: %s\n", error.c_str());
            return false;
        }
        if (rig.WaitConnected())
            return true;
        ExplainLastSearch();
        return false;
    };

    std::printf("%-8s %6s %7s %12s %11s %7s\n", "sample", "plugs", "imports", "resident KiB",
                "descriptors", "threads");
    // Warm up: the first of each job makes what Qt and the system keep for the process.
    if (!plugOnce()) {
        std::fprintf(stderr, "the watch was not found again after the first plug\n");
        return 2;
    }
    if (!importOnce()) {
        std::fprintf(stderr, "the first import did not finish: '%s'\n",
                     window.ProgressBar().WindowText().toStdString().c_str());
        return 2;
    }
    QTest::qWait(200);
    const testing::ProcessStats base = testing::SampleProcess();
    Print("start", 1, imports, base);
    const int every = std::max(1, o.plugs / 10);
    const int importEvery = std::max(1, o.plugs / std::max(1, o.imports));
    testing::ProcessStats last = base;
    for (int i = 2; i <= o.plugs; ++i) {
        if (!plugOnce()) {
            std::fprintf(stderr, "the watch was not found again after plug %d\n", i);
            return 2;
        }
        if (imports < o.imports + 1 && i % importEvery == 0 && !importOnce()) {
            std::fprintf(stderr, "import %d did not finish\n", imports);
            return 2;
        }
        if (i % every == 0 || i == o.plugs) {
            QTest::qWait(100);
            last = testing::SampleProcess();
            Print("sample", i, imports, last);
        }
    }
    while (imports < o.imports + 1) {
        if (!importOnce())
            return 2;
    }
    QTest::qWait(200);
    last = testing::SampleProcess();
    Print("end", o.plugs, imports, last);
    const bool counted = last.descriptors && base.descriptors;
    const long long descriptorGrowth = counted ? static_cast<long long>(*last.descriptors) -
                                                     static_cast<long long>(*base.descriptors)
                                               : 0;
    char descriptorText[64] = "handles: not available";
    if (counted)
        std::snprintf(descriptorText, sizeof descriptorText, "descriptors %+lld", descriptorGrowth);
    std::printf("growth: resident %+lld KiB, %s, threads %+lld; %zu message boxes\n",
                static_cast<long long>(last.residentKiB) - static_cast<long long>(base.residentKiB),
                descriptorText,
                static_cast<long long>(last.threads) - static_cast<long long>(base.threads),
                catcher.seen.size());
    rig.Close();
    // A few descriptors come and go with the watcher's searches (on Windows a search in flight
    // holds the pipe, the watch lock's mutex, thread and event); a leak per plug or import shows
    // as many more.
    return descriptorGrowth > 8 || last.threads > base.threads + 1 ? 1 : 0;
}
