// veldrant-cli's commands. Each command file registers its commands with a static
// CommandRegistration; main() dispatches on the longest matching run of words
// ("course inspect", "info").
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace veldrant::cli {

struct Command {
    std::string name;     // "course inspect"
    std::string usage;    // "PKG.zip [--json]"
    std::string summary;  // one line for the overview
    std::string help;     // the full text of --help
    // Runs with the arguments after the command's words; returns the exit code.
    int (*run)(const std::vector<std::string>& args);
};

// Exit codes shared by every command.
enum ExitCode : int {
    kExitOk = 0,
    kExitFailure = 1,     // the operation failed (the message says why)
    kExitUsage = 2,       // bad command line
    kExitNoWatch = 3,     // no watch connected
    kExitPermission = 4,  // a watch is present but its device node cannot be opened
};

void RegisterCommand(Command command);
const std::vector<Command>& Commands();

struct CommandRegistration {
    explicit CommandRegistration(Command command) { RegisterCommand(std::move(command)); }
};

// True when args holds "-h" or "--help".
bool WantsHelp(const std::vector<std::string>& args);
// Prints the command's help to stdout.
void PrintHelp(const Command& command);

}  // namespace veldrant::cli
