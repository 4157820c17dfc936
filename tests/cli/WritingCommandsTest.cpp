// Every command that writes a user's file, run as a person runs it, with every way it can fail:
// the files that were there before keep their bytes and nothing else is left behind.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "sim/MarkSample.h"
#include "sim/MarkService.h"
#include "tests/support/Files.h"
#include "tests/support/SimHarness.h"

namespace veldrant::testing {
namespace {

namespace fs = std::filesystem;

const std::string kExample = VELDRANT_SOURCE_DIR "/docs/course-description.example.json";

struct CliRun {
    int exit = -1;
    std::string out;  // stdout and stderr
};

// `prefix` runs in the shell before the program (ulimit, trap).
CliRun Cli(const std::string& args, const std::string& simDir, const std::string& prefix = "") {
    TempDir log;
    const std::string command = prefix + " VELDRANT_SIM_DIR='" + simDir + "' '" VELDRANT_CLI "' " +
                                args + " >'" + log.File("o") + "' 2>&1";
    const int status = std::system(("bash -c \"" + command + "\"").c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadAll(log.File("o"))};
}

// Every file below `dir` with its bytes.
std::map<std::string, std::string> Snapshot(const std::string& dir) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        files[fs::relative(e.path(), dir).string()] = e.is_regular_file() ? ReadAll(e.path()) : "";
    return files;
}

// The fixtures every row draws on, made once per test.
struct Inputs {
    TempDir dir;
    std::string raw = dir.File("raw");
    std::string package = dir.File("pkg.zip");
    std::string notMarks = dir.File("not-marks.bin");
    std::string notJson = dir.File("broken.json");
    std::string notZip = dir.File("not.zip");
    Inputs() {
        std::string error;
        sim::MarkData data = sim::EncodeSample(sim::GenerateMarkSample());
        EXPECT_TRUE(sim::SaveMarkData(raw, data, &error)) << error;
        EXPECT_EQ(Cli("course pack " + kExample + " -o " + package, dir.Path()).exit, 0);
        std::ofstream(notMarks, std::ios::binary) << std::string(200, 'x');
        std::ofstream(notJson) << "{\"golfCourses\": [";
        std::ofstream(notZip) << "PK but not a zip";
    }
};

enum class Failure { BadInput, DiskFull };

struct Command {
    const char* name;
    // The command line writing into `out` (a folder), failing as `failure` asks when not null.
    std::function<std::string(const Inputs&, const std::string& out, const Failure* failure)> args;
};

TEST(WritingCommands, EveryFailureKeepsTheOldFilesAndLeavesNothingBehind) {
    Inputs in;
    // The watch for marks export: one mark set, pulled out during it when the input must fail.
    sim::MarkData one = sim::EncodeSample(sim::GenerateMarkSample());
    one.sets.resize(1);
    const Command commands[] = {
        {"marks convert",
         [](const Inputs& in, const std::string& out, const Failure* f) {
             const std::string set =
                 f && *f == Failure::BadInput ? in.notMarks : in.raw + "/set000.bin";
             return "marks convert " + set + " --score " + in.raw + "/score.bin -o " + out +
                    "/m.csv";
         }},
        {"marks export", [](const Inputs&, const std::string& out,
                            const Failure*) { return "marks export -o " + out + "/m.csv"; }},
        {"course pack",
         [](const Inputs& in, const std::string& out, const Failure* f) {
             return "course pack " + (f && *f == Failure::BadInput ? in.notJson : kExample) +
                    " -o " + out + "/pkg.zip";
         }},
        {"course images",
         [](const Inputs& in, const std::string& out, const Failure* f) {
             return "course images " + (f && *f == Failure::BadInput ? in.notZip : in.package) +
                    " -o " + out + "/images";
         }},
        {"course pictures",
         [](const Inputs& in, const std::string& out, const Failure* f) {
             return "course pictures " + (f && *f == Failure::BadInput ? in.notZip : in.package) +
                    " -o " + out + "/pictures";
         }},
    };
    for (const Command& command : commands) {
        for (Failure failure : {Failure::BadInput, Failure::DiskFull}) {
            SCOPED_TRACE(std::string(command.name) +
                         (failure == Failure::BadInput ? ", bad input" : ", disk full"));
            // A first, good run makes the files a user would have; each is then given bytes
            // of its own, so that any change shows.
            TempDir out;
            SimHarness goodWatch;
            goodWatch.GetWatch().AddService(std::make_shared<sim::MarkService>(one));
            CliRun good = Cli(command.args(in, out.Path(), nullptr), goodWatch.Directory());
            ASSERT_EQ(good.exit, 0) << good.out;
            for (auto& [name, bytes] : Snapshot(out.Path())) {
                if (fs::is_regular_file(out.File(name)))
                    std::ofstream(out.File(name), std::ios::binary) << "old " << name;
            }
            const auto before = Snapshot(out.Path());
            ASSERT_FALSE(before.empty());

            sim::MarkFaults faults;
            if (failure == Failure::BadInput)
                faults.removeDuringSet = 0;
            SimHarness watch;
            watch.GetWatch().AddService(std::make_shared<sim::MarkService>(one, faults));
            const std::string prefix =
                failure == Failure::DiskFull ? "trap '' XFSZ; ulimit -f 0;" : "";
            CliRun bad = Cli(command.args(in, out.Path(), &failure), watch.Directory(), prefix);
            EXPECT_EQ(bad.exit, 1) << bad.out;
            EXPECT_EQ(Snapshot(out.Path()), before) << bad.out;
        }
    }
}

// An output that is one of the command's inputs, by whatever name, is refused before anything
// is read or written; so is a file the user may not write.
TEST(WritingCommands, AnOutputThatIsAnInputOrReadOnlyIsRefused) {
    Inputs in;
    const std::string set = in.raw + "/set000.bin";
    const std::string csv = in.dir.File("m.csv");
    ASSERT_EQ(Cli("marks convert " + set + " -o " + csv, in.dir.Path()).exit, 0);
    const std::string description = in.dir.File("description.json");
    fs::copy_file(kExample, description);
    fs::create_hard_link(set, in.dir.File("link.bin"));
    const std::string readOnly = in.dir.File("ro.csv");
    std::ofstream(readOnly) << "old";
    fs::permissions(readOnly,
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    const std::string same = "' (the same file); it cannot be the output too";
    const struct Row {
        std::string args;
        std::string said;
    } rows[] = {
        {"marks convert " + set + " -o " + set, "'" + set + "' is this command's input"},
        {"marks convert " + set + " -o " + in.dir.File("link.bin"),
         "' is the input '" + set + same},
        {"marks convert " + set + " --score " + in.raw + "/score.bin -o " + in.raw + "/./score.bin",
         same},
        {"rounds export " + csv + " --format kml -o " + csv,
         "'" + csv + "' is this command's input"},
        {"course pack " + description + " -o " + description, "is this command's input"},
        {"marks convert " + set + " -o " + readOnly, "'" + readOnly + "' is read-only"},
        {"rounds export " + csv + " --format gpx -o " + readOnly, "is read-only"},
    };
    const auto before = Snapshot(in.dir.Path());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args);
        CliRun run = Cli(row.args, in.dir.Path());
        EXPECT_EQ(run.exit, 1) << run.out;
        EXPECT_NE(run.out.find(row.said), std::string::npos) << run.out;
        EXPECT_EQ(Snapshot(in.dir.Path()), before);
    }
}

}  // namespace
}  // namespace veldrant::testing
