// veldrant-cli's commands on CLI11. Each command file registers its commands with a static
// CommandRegistration, whose function adds them to the program's command line:
//
//   const CommandRegistration kInspect([](CommandLine& line) {
//       auto args = std::make_shared<InspectArgs>();
//       CLI::App& c = line.Add({"course inspect", "PKG.zip [--json]", "summary", "help"},
//                              [args] { return Inspect(*args); });
//       line.Input(c.add_option("PKG.zip", args->input, "the course package")->required());
//       c.add_flag("--json", args->json, "print one JSON document");
//   });
//
// A command's words name its group ("course") and itself ("inspect"); groups are made on first
// use and list their commands in their own --help.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace veldrant::cli {

// Exit codes shared by every command.
enum ExitCode : int {
    kExitOk = 0,
    kExitFailure = 1,       // the operation failed (the message says why)
    kExitUsage = 2,         // bad command line
    kExitNoWatch = 3,       // no watch connected
    kExitPermission = 4,    // a watch is present but cannot be had: permission denied, or
                            // another program holds it
    kExitInterrupted = 130  // stopped by Ctrl-C or SIGTERM
};

// Exit status 4 as every command's help words it.
inline constexpr const char* kExitCannotOpenText =
    "4 when the watch cannot be had (permission denied, or another program holds it)";

struct CommandEntry {
    std::string path;     // "course inspect"
    std::string usage;    // "PKG.zip [--json]"
    std::string summary;  // one line for the lists
    std::string help;     // the text of --help between the usage line and the options
};

class CommandLine {
public:
    CommandLine();
    CLI::App& Root() { return root_; }

    // Adds a command under its group; `run` gives the exit code once the line is parsed.
    CLI::App& Add(const CommandEntry& entry, std::function<int()> run);
    // Marks an option or positional as an input file: before the command runs, a path that
    // does not exist or is a folder is refused with the reason (exit status 1).
    CLI::Option* Input(CLI::Option* option);
    // Marks an option as a file (or folder) the command writes: before the command runs, an
    // output that is one of the command's input files, by whatever name, is refused with exit
    // status 1 (cli/OutputFiles.cpp).
    CLI::Option* Output(CLI::Option* option);
    // Why the command `chosen` may not run because an output is one of its inputs, or "".
    std::string OutputIsInput(const CLI::App* chosen) const;
    // Parses argv and runs the chosen command; the exit code.
    int Run(int argc, char** argv);

    // Every command, in path order, for the overview.
    std::vector<CommandEntry> Commands() const;
    // The entry that `app` was made from, or nullptr.
    const CommandEntry* EntryOf(const CLI::App* app) const;

private:
    CLI::App& Group(const std::string& name);
    std::string Overview() const;

    CLI::App root_;
    std::map<const CLI::App*, CommandEntry> entries_;
    std::map<const CLI::App*, std::function<int()>> runs_;
    std::vector<const CLI::Option*> inputs_;
    std::vector<const CLI::Option*> outputs_;
};

using CommandAdder = std::function<void(CommandLine&)>;
void RegisterCommands(CommandAdder add);
struct CommandRegistration {
    explicit CommandRegistration(CommandAdder add) { RegisterCommands(std::move(add)); }
};

// The program's command line with every registered command added.
std::unique_ptr<CommandLine> MakeCommandLine();
// `code`, or kExitFailure with the reason on stderr when what the command wrote to standard
// output could not all be written (a full disk, a closed pipe).
int FinishStandardOutput(int code);
// -v/--verbose for a command that looks for the watch (the link's discovery line is shown), and
// --wait (a watch busy with another Veldrant program is waited for).
CLI::Option* AddVerbose(CLI::App& command, bool& verbose);

// "1 picture", "2 pictures": a count with its noun in the right number.
std::string Count(size_t n, const char* one, const char* many);

// Why `path` cannot be read as an input file ("no such file or folder", "is a folder"), or "".
std::string InputProblem(const std::string& path);

}  // namespace veldrant::cli
