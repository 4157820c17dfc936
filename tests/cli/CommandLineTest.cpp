// veldrant-cli's command line as a person meets it: help for the program, a group and a command,
// the version, and refusals that name the bad argument with the exit status of a bad line.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>

#include "tests/support/Files.h"
#include "tests/support/TempDir.h"

namespace veldrant::testing {
namespace {

struct Outcome {
    int exit = -1;
    std::string out, err;
};

Outcome Cli(const std::string& args) {
    TempDir log;
    const std::string command = "'" VELDRANT_CLI "' " + args + " >'" + log.File("o") + "' 2>'" +
                                log.File("e") + "' </dev/null";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadAll(log.File("o")),
            ReadAll(log.File("e"))};
}

TEST(CommandLine, HelpVersionAndRefusalsNameWhatIsWrong) {
    TempDir dir;
    struct Row {
        std::string args;
        int exit;
        std::vector<std::string> out;  // each must appear on stdout
        std::vector<std::string> err;  // each must appear on stderr
    } rows[] = {
        {"--help", 0, {"Usage: veldrant-cli [OPTIONS] COMMAND", "  marks export [-o FILE]"}, {}},
        {"--version", 0, {"veldrant-cli 1.01\n"}, {}},
        {"marks --help", 0, {"Usage: veldrant-cli marks COMMAND", "  convert ", "  export "}, {}},
        {"firmware --help", 0, {"  check ", "  update "}, {}},
        {"course --help", 0, {"  inspect ", "  pack ", "  update "}, {}},
        {"marks export --help", 0, {"Usage: veldrant-cli marks export [-o FILE]", "--raw DIR"}, {}},
        {"", 2, {}, {"Usage: veldrant-cli"}},
        {"marks", 2, {}, {"veldrant-cli marks: A subcommand is required"}},
        {"bogus", 2, {}, {"bogus"}},
        {"marks convert x.bin --bogus", 2, {}, {"not expected: --bogus"}},
        {"firmware check f.bin --model 9", 2, {}, {"--model: unknown model '9'"}},
        {"course pack d.json", 2, {}, {"--output is required"}},
        {"rounds export m.csv --format pdf", 2, {}, {"--format: pdf not in {gpx,kml,geojson}"}},
        {"course inspect " + dir.File("none.zip"),
         1,
         {},
         {"'" + dir.File("none.zip") + "' does not exist"}},
        {"course update " + dir.Path(), 1, {}, {"'" + dir.Path() + "' is a folder, not a file"}},
        {"marks convert " + dir.File("none.bin"), 1, {}, {"does not exist"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args);
        Outcome o = Cli(row.args);
        EXPECT_EQ(o.exit, row.exit) << o.err;
        for (const std::string& text : row.out)
            EXPECT_NE(o.out.find(text), std::string::npos) << o.out;
        for (const std::string& text : row.err)
            EXPECT_NE(o.err.find(text), std::string::npos) << o.err;
        if (row.exit == 2 && !row.args.empty()) {
            EXPECT_NE(o.err.find("--help"), std::string::npos) << "says where to read more";
        }
    }
}

TEST(CommandLine, HelpSaysOnlyWhatAPersonReads) {
    const std::string overview = Cli("--help").out;
    const std::string exit4 =
        "4 when the watch cannot be had (permission denied, or another program holds it)";
    // Every command's help, from the overview's list.
    std::vector<std::string> commands;
    for (const char* group : {"course", "firmware", "marks", "rounds"}) {
        for (size_t at = overview.find(std::string("\n  ") + group + " "); at != std::string::npos;
             at = overview.find(std::string("\n  ") + group + " ", at + 1)) {
            const size_t start = at + 3;
            const size_t second = overview.find(' ', start + std::string(group).size() + 1);
            commands.push_back(overview.substr(start, second - start));
        }
    }
    commands.push_back("devices");
    commands.push_back("info");
    ASSERT_GE(commands.size(), 14u) << overview;
    for (const std::string& command : commands) {
        SCOPED_TRACE(command);
        const Outcome o = Cli(command + " --help");
        EXPECT_EQ(o.exit, 0);
        for (const char* leftover : {" TEXT", "REQUIRED", ":{", "+HH:MM:", ":ROW|NAME"})
            EXPECT_EQ(o.out.find(leftover), std::string::npos) << leftover << " in\n" << o.out;
        // The commands that open the watch say what exit status 4 means, as the README does.
        const bool opens = command == "devices" || command == "info" ||
                           command == "firmware update" || command == "course update";
        if (opens) {
            EXPECT_NE(o.out.find(exit4), std::string::npos) << o.out;
        }
    }
    // The README and the manual page say it in the same words.
    for (const char* file : {"/README.md", "/packaging/linux/veldrant-cli.h2m"}) {
        std::string text = ReadAll(std::string(VELDRANT_SOURCE_DIR) + file);
        std::replace(text.begin(), text.end(), '\n', ' ');
        EXPECT_NE(text.find("4 the watch cannot be had (permission denied, or another program "
                            "holds it)"),
                  std::string::npos)
            << file;
    }
}

TEST(CommandLine, AnAnswerThatCannotBeWrittenFailsTheCommand) {
    TempDir dir;
    const std::string package = dir.File("pkg.zip");
    ASSERT_EQ(Cli("course pack " VELDRANT_SOURCE_DIR "/docs/course-description.example.json -o " +
                  package)
                  .exit,
              0);
    for (const std::string& args :
         {std::string("--help"), "course inspect " + package, "course inspect --json " + package}) {
        SCOPED_TRACE(args);
        const std::string command =
            "'" VELDRANT_CLI "' " + args + " >/dev/full 2>'" + dir.File("e") + "' </dev/null";
        const int status = std::system(command.c_str());
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 1);
        EXPECT_NE(ReadAll(dir.File("e")).find("veldrant-cli: standard output could not be written"),
                  std::string::npos)
            << ReadAll(dir.File("e"));
    }
}

}  // namespace
}  // namespace veldrant::testing
