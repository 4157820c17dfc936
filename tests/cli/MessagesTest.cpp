// What the command line says when a job fails: the window's own text stays, and a second line
// says which file and why; a pulled cable is named as the watch removed; a package that sends
// nothing gets its reason alone.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>

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

TEST(CliMessages, FailuresSayWhatAndWhy) {
    TempDir dir;
    // The simulated watch is model row 3, QMX_KVT_2700.
    Put(dir.File("kvt.bin"), firmware::test::NameImage(20000, "QMX_KVT_2700"));
    Put(dir.File("other.bin"), firmware::test::NameImage(20000, "QMX_KV_WATCH_A"));
    Put(dir.File("not.zip"), {'P', 'K', 1, 2});
    struct Row {
        std::string args;
        sim::FirmwarePolicy policy;
        int exit;
        std::vector<std::string> err;  // in this order on stderr
        std::vector<std::string> never;
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
        {"firmware update " + dir.File("kvt.bin"),
         Unplugging(20),
         1,
         {"the watch was removed", "Reconnect it and run the update again"},
         {"failed twice"}},
        {"course update " + dir.File("not.zip"),
         {},
         1,
         {"Failed to read zip file!", "Error: Failed to read course file\n",
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

}  // namespace
}  // namespace veldrant::testing
