// veldrant-cli: the desktop companion's jobs from a terminal.
#include <algorithm>
#include <cstdio>
#include <iostream>

#include "cli/Command.h"

namespace veldrant::cli {

namespace {
std::vector<Command>& Registry() {
    static std::vector<Command> commands;
    return commands;
}

std::vector<std::string> Split(const std::string& name) {
    std::vector<std::string> words;
    size_t pos = 0;
    while (pos < name.size()) {
        size_t next = name.find(' ', pos);
        if (next == std::string::npos) next = name.size();
        words.push_back(name.substr(pos, next - pos));
        pos = next + 1;
    }
    return words;
}

void PrintOverview() {
    std::printf(
        "veldrant-cli: the KVT2700 golf watch's companion on the command line\n\n"
        "Usage: veldrant-cli COMMAND [ARGS...]\n\nCommands:\n");
    std::vector<Command> sorted = Registry();
    std::sort(sorted.begin(), sorted.end(),
              [](const Command& a, const Command& b) { return a.name < b.name; });
    for (const Command& c : sorted) {
        std::string head = c.name + " " + c.usage;
        // A head too long for its column gets a line of its own, so that the summary still
        // starts in the column (the manual page is made from this list).
        if (head.size() > 44) {
            std::printf("  %s\n  %-44s %s\n", head.c_str(), "", c.summary.c_str());
        } else {
            std::printf("  %-44s %s\n", head.c_str(), c.summary.c_str());
        }
    }
    std::printf(
        "\n'veldrant-cli COMMAND --help' tells more about one command.\n"
        "Simulated watches are looked for in $VELDRANT_SIM_DIR (see veldrant-sim --help).\n");
}
}  // namespace

void RegisterCommand(Command command) { Registry().push_back(std::move(command)); }
const std::vector<Command>& Commands() { return Registry(); }

bool WantsHelp(const std::vector<std::string>& args) {
    return std::any_of(args.begin(), args.end(),
                       [](const std::string& a) { return a == "-h" || a == "--help"; });
}

void PrintHelp(const Command& command) {
    std::printf("Usage: veldrant-cli %s %s\n\n%s\n", command.name.c_str(), command.usage.c_str(),
                command.help.empty() ? command.summary.c_str() : command.help.c_str());
}

}  // namespace veldrant::cli

int main(int argc, char** argv) {
    using namespace veldrant::cli;
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "-h" || args[0] == "--help" || args[0] == "help") {
        PrintOverview();
        return args.empty() ? kExitUsage : kExitOk;
    }
    const Command* best = nullptr;
    size_t bestWords = 0;
    for (const Command& c : Commands()) {
        std::vector<std::string> words = Split(c.name);
        if (words.size() > args.size() || words.size() <= bestWords) continue;
        if (std::equal(words.begin(), words.end(), args.begin())) {
            best = &c;
            bestWords = words.size();
        }
    }
    if (!best) {
        std::fprintf(stderr, "veldrant-cli: unknown command '%s'\n\n", args[0].c_str());
        PrintOverview();
        return kExitUsage;
    }
    std::vector<std::string> rest(args.begin() + static_cast<long>(bestWords), args.end());
    if (WantsHelp(rest)) {
        PrintHelp(*best);
        return kExitOk;
    }
    return best->run(rest);
}
