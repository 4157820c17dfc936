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

// Runs a shell command; its standard output and exit status.
CliRun Shell(const std::string& command) {
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

// Runs the CLI with `args` (already quoted for the shell) and the simulated watches of `simDir`,
// in the folder `cwd` when given.
CliRun Cli(const std::string& args, const std::string& simDir, const std::string& cwd = "") {
    // Never the user's own logbook, also when the program is run outside CTest.
    return Shell((cwd.empty() ? "" : "cd '" + cwd + "' && ") + "VELDRANT_SIM_DIR='" + simDir +
                 "' VELDRANT_LOGBOOK=\"${VELDRANT_LOGBOOK:-" VELDRANT_BINARY_DIR
                 "/tests/logbook.sqlite3}\" " +
                 kCli + " " + args);
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

// The import adds what it wrote to the logbook and says so in one line; --no-logbook skips it,
// and a logbook that cannot take it never fails the import.
TEST(MarksCli, ExportAddsWhatItWroteToTheLogbook) {
    testing::SimHarness sim;
    sim.GetWatch().AddService(
        std::make_shared<sim::MarkService>(sim::EncodeSample(sim::GenerateMarkSample())));
    testing::TempDir out;
    const std::string book = out.Path() + "/ログ/logbook.sqlite3", text = out.Path() + "/t.txt";
    std::ofstream(text) << "not a logbook";
    struct Case {
        std::string options;
        std::string said;  // empty: nothing about the logbook
    };
    for (const Case& c : std::vector<Case>{
             {"--logbook " + book, ": 5 rounds: 5 new, 0 already in the logbook"},
             {"--logbook " + book, ": 5 rounds: 0 new, 5 already in the logbook"},
             {"--logbook " + book + " --no-logbook", ""},
             {"--logbook " + text, "the marks were not added to the logbook: " + text + " is not"},
         }) {
        SCOPED_TRACE(c.options);
        CliRun run =
            Cli("marks export -o " + out.Path() + "/m.csv 2>&1 " + c.options, sim.Directory());
        EXPECT_EQ(run.exit, 0) << run.out;
        EXPECT_NE(run.out.find("Mark data written to"), std::string::npos) << run.out;
        if (!c.said.empty())
            EXPECT_NE(run.out.find(c.said), std::string::npos) << run.out;
        else
            EXPECT_EQ(run.out.find("logbook"), std::string::npos) << run.out;
    }
    EXPECT_EQ(ReadAll(text), "not a logbook");
}

// A lost set fails the export: no "完了しました。", sets numbered from 1, and a file that was
// there kept, with what arrived beside it.
TEST(MarksCli, ExportFailsWhenASetIsMissing) {
    for (bool there : {false, true}) {
        SCOPED_TRACE(there ? "m.csv there before" : "no m.csv before");
        testing::SimHarness sim;
        sim::MarkData data = sim::EncodeSample(sim::GenerateMarkSample());
        sim::MarkFaults faults;
        faults.failReadSet = 0;
        sim.GetWatch().AddService(std::make_shared<sim::MarkService>(data, faults));
        testing::TempDir out;
        std::string file = out.Path() + "/m.csv";
        if (there)
            std::ofstream(file) << "old";
        CliRun run = Cli("marks export -o " + file + " 2>&1", sim.Directory());
        EXPECT_EQ(run.exit, 1);
        const std::string partial = there ? out.Path() + "/m.partial.csv" : file;
        EXPECT_EQ(ReadAll(partial), Expected(data, 1));
        if (there) {
            EXPECT_EQ(ReadAll(file), "old");
        }
        EXPECT_EQ(run.out.find("完了しました。"), std::string::npos) << run.out;
        EXPECT_NE(run.out.find("一部の地点データを取り込めませんでした。"), std::string::npos);
        EXPECT_NE(run.out.find("mark set 1 of 2: the watch did not answer"), std::string::npos)
            << run.out;
        EXPECT_NE(run.out.find("Partial mark data written to " + partial + " (1 of 2 mark sets)"),
                  std::string::npos)
            << run.out;
    }
}

// Input that is not what it claims: a set cut inside a record is converted as partial data (a
// file that was there kept), score data that is not whole records is refused.
TEST(MarksCli, ConvertNamesACutSetAndRefusesScoreOfTheWrongSize) {
    testing::TempDir dir;
    sim::MarkData data = sim::EncodeSample(sim::GenerateMarkSample());
    std::string error;
    ASSERT_TRUE(sim::SaveMarkData(dir.Path() + "/raw", data, &error)) << error;
    const std::vector<uint8_t> cut(data.sets[0].begin(), data.sets[0].begin() + 5000);
    std::ofstream(dir.Path() + "/cut.bin", std::ios::binary)
        .write(reinterpret_cast<const char*>(cut.data()), static_cast<std::streamsize>(cut.size()));
    std::ofstream(dir.Path() + "/700.bin", std::ios::binary) << std::string(700, '\0');
    const std::string partial = kBom + ExportMarkSetToString(cut, data.score);
    struct Row {
        std::string inputs;
        bool there;           // out.csv holds "old" before
        std::string written;  // the name the file goes to ("": none)
        std::string said;
    } rows[] = {
        {"cut.bin --score raw/score.bin", false, "out.csv", "cut.bin is cut short: it ends"},
        {"cut.bin --score raw/score.bin", true, "out.partial.csv",
         "partial mark data written to " + dir.Path() + "/out.partial.csv; " + dir.Path() +
             "/out.csv was left as it was"},
        {"raw/set000.bin --score 700.bin", false, "",
         "700.bin is not score data: its 700 bytes are not whole score records of 512 bytes"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.inputs);
        fs::remove(dir.Path() + "/out.partial.csv");
        fs::remove(dir.Path() + "/out.csv");
        if (row.there)
            std::ofstream(dir.Path() + "/out.csv") << "old";
        CliRun run = Cli("marks convert " + row.inputs + " -o " + dir.Path() + "/out.csv 2>&1",
                         dir.Path(), dir.Path());
        EXPECT_EQ(run.exit, 1);
        EXPECT_NE(run.out.find(row.said), std::string::npos) << run.out;
        EXPECT_EQ(run.out.find("Mark data written"), std::string::npos) << run.out;
        if (!row.written.empty()) {
            EXPECT_EQ(ReadAll(dir.Path() + "/" + row.written), partial);
        }
        if (row.there) {
            EXPECT_EQ(ReadAll(dir.Path() + "/out.csv"), "old");
        }
        EXPECT_EQ(fs::exists(dir.Path() + "/out.csv"), row.there || row.written == "out.csv");
    }
}

// Stopped while the file is new: nothing is said about a file of that name.
TEST(MarksCli, AStopBeforeANewFileSaysOnlyThatItWasNotWritten) {
    testing::SimHarness sim;
    sim.GetWatch().AddService(
        std::make_shared<sim::MarkService>(sim::EncodeSample(sim::GenerateMarkSample())));
    // The blocks of set 1 are never answered: the export waits there for the stop.
    sim.GetWatch().SetFault({sim::Fault::NoAnswer, 11, 1, -1});
    testing::TempDir out;
    const std::string file = out.Path() + "/new.csv";
    const std::string log = out.Path() + "/log";
    const std::string script =
        "VELDRANT_SIM_DIR='" + sim.Directory() + "' " + kCli + " marks export -o " + file + " 2>" +
        log + " & pid=$!; for i in $(seq 600); do grep -q 'mark set 1 of 2' " + log +
        " && break; sleep 0.05; done; kill -TERM $pid; wait $pid; echo $?";
    std::ofstream(out.Path() + "/stop.sh") << script << "\n";
    CliRun run = Shell("bash '" + out.Path() + "/stop.sh'");
    EXPECT_EQ(run.out, "130\n");
    const std::string said = ReadAll(log);
    EXPECT_NE(said.find(file + " was not written.\n"), std::string::npos) << said;
    EXPECT_EQ(said.find("as it was"), std::string::npos) << said;
    EXPECT_FALSE(fs::exists(file));
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
