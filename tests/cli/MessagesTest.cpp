// What the command line says when a job fails: the window's own text stays, and a second line
// says which file and why; a pulled cable is named as the watch removed; a package that sends
// nothing gets its reason alone.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "sim/CourseService.h"
#include "sim/FirmwareService.h"
#include "tests/firmware/FirmwareImageMaker.h"
#include "tests/support/Files.h"
#include "tests/support/SimHarness.h"

namespace veldrant::testing {
namespace {

struct Outcome {
    int exit = -1;
    std::string out, err;
};

Outcome Cli(const std::string& simDir, const std::string& args) {
    TempDir log;
    const std::string command = "VELDRANT_SIM_DIR='" + simDir + "' '" VELDRANT_CLI "' " + args +
                                " >'" + log.File("o") + "' 2>'" + log.File("e") + "' </dev/null";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadAll(log.File("o")),
            ReadAll(log.File("e"))};
}

void Put(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

sim::FirmwarePolicy Unplugging(uint32_t afterBlocks) {
    sim::FirmwarePolicy policy;
    policy.unplugAfterBlocks = afterBlocks;
    return policy;
}

sim::CoursePolicy CourseUnplugging(uint32_t afterBlocks) {
    sim::CoursePolicy policy;
    policy.unplugAfterBlocks = afterBlocks;
    return policy;
}

const std::string kExample = VELDRANT_SOURCE_DIR "/docs/course-description.example.json";

TEST(CliMessages, FailuresSayWhatAndWhy) {
    TempDir dir;
    // The simulated watch is model row 3, QMX_KVT_2700.
    Put(dir.File("kvt.bin"), firmware::test::NameImage(20000, "QMX_KVT_2700"));
    std::vector<uint8_t> changed = firmware::test::NameImage(20000, "QMX_KVT_2700");
    changed[100] ^= 1;
    Put(dir.File("changed.bin"), changed);
    const std::string package = dir.File("pkg.zip");
    ASSERT_EQ(Cli(dir.Path(), "course pack " + kExample + " -o " + package).exit, 0);
    Put(dir.File("other.bin"), firmware::test::NameImage(20000, "QMX_KV_WATCH_A"));
    Put(dir.File("not.zip"), {'P', 'K', 1, 2});
    struct Row {
        std::string args;
        sim::FirmwarePolicy policy;
        int exit;
        std::vector<std::string> err;  // in this order on stderr
        std::vector<std::string> never;
        std::optional<sim::CoursePolicy> course = std::nullopt;  // the watch takes course data
    } rows[] = {
        {"firmware update " + dir.File("missing.bin"),
         {},
         1,
         {"Failed to Open firmware file\n",
          "veldrant-cli: '" + dir.File("missing.bin") + "' does not exist\n"},
         {}},
        {"firmware update " + dir.Path(),
         {},
         1,
         {"Failed to Open firmware file", "is a folder, not a file"},
         {}},
        {"firmware update " + dir.File("other.bin"),
         {},
         1,
         {"Open File: Incorrect firmwarefile!\n",
          "was made for the watch of table row 2 (QMX_KV_WATCH_A), not for the connected one, "
          "row 3 (QMX_KVT_2700)"},
         {}},
        {"firmware update " + dir.File("changed.bin"),
         {},
         1,
         {"Open File: Incorrect firmwarefile!\n",
          "changed.bin does not match its checksum: its trailer names \"QMX_KVT_2700\" (table "
          "row 3) and holds the CRC-16 0x"},
         {"no known watch"}},
        {"firmware check " + dir.File("changed.bin"),
         {},
         1,
         {"Open File: Incorrect firmwarefile!\n", "does not match its checksum"},
         {"no known watch"}},
        {"course update " + package,
         {},
         1,
         {"Error: Device removed!\n", "the watch was removed during the upload"},
         {"Failed to read course file"},
         CourseUnplugging(3)},
        {"firmware update " + dir.File("kvt.bin"),
         Unplugging(20),
         1,
         {"the watch was removed", "Reconnect it and run the update again"},
         {"failed twice"}},
        {"course update " + dir.File("not.zip"),
         {},
         1,
         {"veldrant-cli: Failed to read zip file!\n", "Error: Failed to read course file\n",
          "nothing was sent to the watch"},
         {"What the watch took so far stays", "Golf courses:"}},
        {"course update " + dir.File("missing.zip"),
         {},
         1,
         {"'" + dir.File("missing.zip") + "' does not exist"},
         {"cannot open", "zip archive"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args);
        SimHarness sim;
        sim.GetWatch().AddService(std::make_shared<sim::FirmwareService>(row.policy));
        if (row.course)
            sim.GetWatch().AddService(std::make_shared<sim::CourseService>(*row.course));
        const Outcome o = Cli(sim.Directory(), row.args);
        EXPECT_EQ(o.exit, row.exit) << o.err;
        size_t at = 0;
        for (const std::string& text : row.err) {
            const size_t found = o.err.find(text, at);
            EXPECT_NE(found, std::string::npos) << "'" << text << "' in:\n" << o.err;
            at = found == std::string::npos ? at : found + text.size();
        }
        for (const std::string& text : row.never)
            EXPECT_EQ(o.err.find(text), std::string::npos) << o.err;
    }
}

TEST(CliMessages, DryRunsTellWhatWouldBeWrittenAndChangeNothing) {
    TempDir dir;
    Put(dir.File("kvt.bin"), firmware::test::NameImage(20000, "QMX_KVT_2700"));
    Put(dir.File("other.bin"), firmware::test::NameImage(20000, "QMX_KV_WATCH_A"));
    const std::string package = dir.File("pkg.zip");
    ASSERT_EQ(Cli(dir.Path(), "course pack " + kExample + " -o " + package).exit, 0);
    struct Row {
        std::string args;
        int exit;
        std::vector<std::string> out;  // in this order on stdout
        std::vector<std::string> err;
    } rows[] = {
        // 20066 bytes in blocks of 512: 40 blocks and the start request.
        {"firmware update --dry-run " + dir.File("kvt.bin"),
         0,
         {"nothing was written to the watch", "Watch: QMX_KVT_2700 (table row 3), ",
          "20066 bytes for QMX_KVT_2700", "Would write: 20066 bytes in 40 blocks of 512 bytes",
          "Time: about ", "(41 exchanges at "},
         {}},
        {"firmware update --dry-run " + dir.File("other.bin"),
         1,
         {},
         {"Incorrect firmwarefile!", "row 2 (QMX_KV_WATCH_A), not for the connected one"}},
        {"course update --dry-run " + package,
         0,
         {"nothing was written to the watch", "Package: " + package + ", 2 golf courses",
          "the directory, 12560 bytes in 25 blocks; the golf courses, ", "6 records",
          "Time: about "},
         {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args);
        SimHarness sim;
        auto firmware = std::make_shared<sim::FirmwareService>();
        auto course = std::make_shared<sim::CourseService>();
        sim.GetWatch().AddService(firmware);
        sim.GetWatch().AddService(course);
        const Outcome o = Cli(sim.Directory(), row.args);
        EXPECT_EQ(o.exit, row.exit) << o.err;
        size_t at = 0;
        for (const std::string& text : row.out) {
            const size_t found = o.out.find(text, at);
            EXPECT_NE(found, std::string::npos) << "'" << text << "' in:\n" << o.out;
            at = found == std::string::npos ? at : found + text.size();
        }
        for (const std::string& text : row.err)
            EXPECT_NE(o.err.find(text), std::string::npos) << o.err;
        // Not one request that changes the watch.
        EXPECT_EQ(firmware->Snapshot().starts, 0u);
        EXPECT_TRUE(course->Snapshot().events.empty());
    }
}

}  // namespace
}  // namespace veldrant::testing
