// veldrant-cli's marks commands as a user runs them: exit codes, where the file went, and the
// same bytes as the operation writes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "marks/MarkExport.h"
#include "sim/MarkService.h"
#include "tests/support/Files.h"
#include "tests/support/SimHarness.h"

namespace veldrant::marks {
namespace {

namespace fs = std::filesystem;

const std::string kBom = "\xEF\xBB\xBF";
const std::string kCli = VELDRANT_BINARY_DIR "/cli/veldrant-cli";

using veldrant::testing::ReadAll;

struct CliRun {
    int exit = -1;
    std::string out;  // stdout; stderr goes to the test's log
};

// Runs the CLI with `args` (already quoted for the shell) and the simulated watches of `simDir`.
CliRun Cli(const std::string& args, const std::string& simDir) {
    std::string command = "VELDRANT_SIM_DIR='" + simDir + "' " + kCli + " " + args;
    CliRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0)
        run.out.append(buf, n);
    int status = pclose(pipe);
    run.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string Expected(const sim::MarkData& data, size_t first = 0) {
    std::string all = kBom;
    for (size_t i = first; i < data.sets.size(); ++i)
        all += ExportMarkSetToString(data.sets[i], data.score);
    return all;
}

TEST(MarksCli, ConvertWritesTheSameFileAsTheImport) {
    testing::TempDir dir;
    sim::MarkData data = sim::EncodeSample(sim::GenerateMarkSample());
    std::string error;
    ASSERT_TRUE(sim::SaveMarkData(dir.Path() + "/raw", data, &error)) << error;
    std::string out = dir.Path() + "/out.csv";
    CliRun run = Cli("marks convert " + dir.Path() + "/raw/set000.bin " + dir.Path() +
                         "/raw/set001.bin --score " + dir.Path() + "/raw/score.bin -o " + out,
                     dir.Path());
    EXPECT_EQ(run.exit, 0);
    EXPECT_NE(run.out.find("Mark data written to " + out), std::string::npos) << run.out;
    EXPECT_EQ(ReadAll(out), Expected(data));
}

TEST(MarksCli, ConvertRefusesBadCommandLinesAndMissingFiles) {
    testing::TempDir dir;
    EXPECT_EQ(Cli("marks convert", dir.Path()).exit, 2);
    EXPECT_EQ(Cli("marks convert x.bin --bogus", dir.Path()).exit, 2);
    EXPECT_EQ(
        Cli("marks convert " + dir.Path() + "/missing.bin -o " + dir.Path() + "/o.csv", dir.Path())
            .exit,
        1);
    EXPECT_FALSE(fs::exists(dir.Path() + "/o.csv"));
}

TEST(MarksCli, ExportPutsTheDefaultNameInTheFolderAndKeepsTheRawBytes) {
    testing::SimHarness sim;
    sim::MarkData data = sim::EncodeSample(sim::GenerateMarkSample());
    sim.GetWatch().AddService(std::make_shared<sim::MarkService>(data));
    testing::TempDir out;
    CliRun run =
        Cli("marks export -o " + out.Path() + " --raw " + out.Path() + "/raw", sim.Directory());
    EXPECT_EQ(run.exit, 0) << run.out;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(run.out, m, std::regex("Mark data written to (\\S+_MARK\\.csv)")))
        << run.out;
    fs::path file = m[1].str();
    EXPECT_EQ(file.parent_path(), fs::path(out.Path()));
    EXPECT_TRUE(std::regex_match(file.filename().string(), std::regex(R"(\d{8}_\d{6}_MARK\.csv)")));
    EXPECT_EQ(ReadAll(file), Expected(data));
    sim::MarkData raw;
    std::string error;
    ASSERT_TRUE(sim::LoadMarkData(out.Path() + "/raw", raw, &error)) << error;
    EXPECT_EQ(raw.sets, data.sets);
    EXPECT_EQ(raw.score, data.score);
}

TEST(MarksCli, ExportFailsWhenASetIsMissing) {
    testing::SimHarness sim;
    sim::MarkData data = sim::EncodeSample(sim::GenerateMarkSample());
    sim::MarkFaults faults;
    faults.failReadSet = 0;
    sim.GetWatch().AddService(std::make_shared<sim::MarkService>(data, faults));
    testing::TempDir out;
    std::string file = out.Path() + "/m.csv";
    CliRun run = Cli("marks export -o " + file, sim.Directory());
    EXPECT_EQ(run.exit, 1);
    EXPECT_EQ(ReadAll(file), Expected(data, 1));
}

TEST(MarksCli, ExportWithoutAWatchSaysSo) {
    testing::TempDir empty;
    CliRun run = Cli("marks export -o " + empty.Path() + "/m.csv", empty.Path());
    EXPECT_EQ(run.exit, 3);
    EXPECT_FALSE(fs::exists(empty.Path() + "/m.csv"));
}

TEST(MarksCli, ExportOfAnEmptyWatchWritesNoFile) {
    testing::SimHarness sim;
    sim.GetWatch().AddService(std::make_shared<sim::MarkService>(sim::MarkData{}));
    testing::TempDir out;
    CliRun run = Cli("marks export -o " + out.Path() + "/m.csv", sim.Directory());
    EXPECT_EQ(run.exit, 0);
    EXPECT_NE(run.out.find("no mark data"), std::string::npos) << run.out;
    EXPECT_FALSE(fs::exists(out.Path() + "/m.csv"));
}

}  // namespace
}  // namespace veldrant::marks
