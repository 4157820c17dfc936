// veldrant-cli: the desktop companion's jobs from a terminal.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "cli/Command.h"
#include "cli/Connect.h"
#include "platform/Args.h"
#include "platform/Interrupt.h"
#include "platform/SafeOutput.h"
#include "platform/SimProtocol.h"

namespace veldrant::cli {

namespace {

// The groups' one-line descriptions; a group not listed here gets none.
const std::pair<const char*, const char*> kGroups[] = {
    {"course", "course packages: read them, build the watch's images, write and upload them"},
    {"firmware", "firmware images: check them and write them to the watch"},
    {"marks", "the marks and score cards of the watch as a CSV file"},
    {"rounds", "the rounds of a mark CSV file: distances, GPS formats and pictures"},
};

std::vector<CommandAdder>& Adders() {
    static std::vector<CommandAdder> adders;
    return adders;
}

constexpr size_t kHeadColumn = 44;

// Help in the layout help2man reads: "Usage:" first, then the description, then options.
class HelpFormatter : public CLI::Formatter {
public:
    explicit HelpFormatter(const CommandLine& line) : line_(line) {
        column_width(26);
        label("SUBCOMMAND", "COMMAND");
        label("SUBCOMMANDS", "COMMANDS");
        label("Subcommands", "Commands");
    }
    std::string make_usage(const CLI::App* app, std::string name) const override {
        if (const CommandEntry* entry = line_.EntryOf(app))
            return "Usage: veldrant-cli " + entry->path + " " + entry->usage + "\n";
        if (app->get_parent() != nullptr)
            return "Usage: veldrant-cli " + app->get_name() + " COMMAND [ARGS...]\n";
        (void)name;
        return "Usage: veldrant-cli [OPTIONS] COMMAND [ARGS...]\n";
    }
    // What follows an option's names: its placeholder alone. A positional is its own
    // placeholder; what an option must be is said by its refusal, and whether it is required
    // by the usage line.
    std::string make_option_opts(const CLI::Option* opt) const override {
        if (opt->get_positional() || opt->get_type_size() == 0)
            return "";
        if (!opt->get_option_text().empty())
            return " " + opt->get_option_text();
        return opt->get_type_name().empty() ? "" : " " + opt->get_type_name();
    }
    std::string make_description(const CLI::App* app) const override {
        if (const CommandEntry* entry = line_.EntryOf(app))
            return "\n" + entry->summary + ".\n\n" +
                   (entry->help.empty() ? "" : entry->help + "\n");
        std::string text = app->get_description();
        return text.empty() ? "" : "\n" + text + "\n";
    }
    std::string make_help(const CLI::App* app, std::string name,
                          CLI::AppFormatMode mode) const override {
        // Usage before the description, as help2man expects.
        if (mode == CLI::AppFormatMode::Sub)
            return make_expanded(app);
        std::string out = make_usage(app, name) + make_description(app);
        out += make_positionals(app);
        out += make_groups(app, mode);
        out += make_subcommands(app, mode);
        out += make_footer(app);
        while (out.size() > 1 && out[out.size() - 1] == '\n' && out[out.size() - 2] == '\n')
            out.pop_back();
        return out;
    }

private:
    const CommandLine& line_;
};

}  // namespace

void RegisterCommands(CommandAdder add) {
    Adders().push_back(std::move(add));
}

CLI::Option* AddVerbose(CLI::App& command, bool& verbose) {
    command.add_flag("--wait", WaitForBusyWatch(),
                     "when another Veldrant program is working with the watch, wait for it to "
                     "finish instead of giving up");
    return command.add_flag("-v,--verbose", verbose,
                            "also show the discovery line and the interface found");
}

std::string Count(size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string InputProblem(const std::string& path) {
    switch (platform::KindOfPath(path)) {
        case platform::PathKind::Missing:
            return "'" + path + "' does not exist";
        case platform::PathKind::Folder:
            return "'" + path + "' is a folder, not a file";
        default:
            return "";
    }
}

CommandLine::CommandLine()
    : root_("The KVT2700 golf watch's companion on the command line.", "veldrant-cli") {
    // CLI11 takes "/x" for an option on Windows; here a word starting with '/' is a path, on
    // every platform (wine hands Unix paths over as they are).
    root_.allow_windows_style_options(false);
    root_.formatter(std::make_shared<HelpFormatter>(*this));
    root_.set_help_flag("-h,--help", "print this help and exit");
    root_.set_version_flag("--version", std::string("veldrant-cli ") + VELDRANT_VERSION,
                           "print the version and exit");
    root_.require_subcommand(1);
    root_.fallthrough();
    root_.footer([this] { return Overview(); });
}

CLI::App& CommandLine::Group(const std::string& name) {
    for (CLI::App* sub : root_.get_subcommands([](CLI::App*) { return true; })) {
        if (sub->get_name() == name)
            return *sub;
    }
    std::string description;
    for (const auto& [group, text] : kGroups) {
        if (name == group)
            description = text;
    }
    CLI::App* group = root_.add_subcommand(name, description);
    group->require_subcommand(1);
    group->footer("");
    group->fallthrough();
    // The root's overview lists every command whole; groups list theirs in their own help.
    group->group("");
    return *group;
}

CLI::App& CommandLine::Add(const CommandEntry& entry, std::function<int()> run) {
    const size_t space = entry.path.find(' ');
    CLI::App* app;
    if (space == std::string::npos) {
        app = root_.add_subcommand(entry.path, entry.summary);
        app->group("");
    } else {
        app = Group(entry.path.substr(0, space))
                  .add_subcommand(entry.path.substr(space + 1), entry.summary);
    }
    app->fallthrough();
    app->footer("");
    if (space != std::string::npos)
        app->group("Commands");
    entries_[app] = entry;
    runs_[app] = std::move(run);
    return *app;
}

CLI::Option* CommandLine::Input(CLI::Option* option) {
    inputs_.push_back(option);
    return option;
}

std::vector<CommandEntry> CommandLine::Commands() const {
    std::vector<CommandEntry> all;
    for (const auto& [app, entry] : entries_)
        all.push_back(entry);
    std::sort(all.begin(), all.end(),
              [](const CommandEntry& a, const CommandEntry& b) { return a.path < b.path; });
    return all;
}

const CommandEntry* CommandLine::EntryOf(const CLI::App* app) const {
    auto it = entries_.find(app);
    return it == entries_.end() ? nullptr : &it->second;
}

std::string CommandLine::Overview() const {
    std::string text = "\nCommands:\n";
    for (const CommandEntry& c : Commands()) {
        std::string head = c.path + " " + c.usage;
        // A head too long for its column gets a line of its own, so that the summary still
        // starts in the column (the manual page is made from this list).
        if (head.size() > kHeadColumn)
            text += "  " + head + "\n" + std::string(kHeadColumn + 3, ' ') + c.summary + "\n";
        else
            text +=
                "  " + head + std::string(kHeadColumn + 1 - head.size(), ' ') + c.summary + "\n";
    }
    return text +
           "\n'veldrant-cli COMMAND --help' tells more about one command, 'veldrant-cli GROUP\n"
           "--help' lists the commands of a group (course, firmware, marks, rounds).\n"
           "Simulated watches are looked for in $VELDRANT_SIM_DIR (see veldrant-sim --help).\n";
}

int CommandLine::Run(int argc, char** argv) {
    if (argc <= 1) {
        std::fputs(root_.help().c_str(), stderr);
        return kExitUsage;
    }
    try {
        root_.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return root_.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return root_.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return root_.exit(e);
    } catch (const CLI::ParseError& e) {
        // The bad argument named, and where to read more: the command the words on the line
        // lead to.
        std::string words;
        const CLI::App* at = &root_;
        int last = 0;
        for (int i = 1; i < argc; ++i) {
            for (const CLI::App* sub : at->get_subcommands({})) {
                if (sub->get_name() == argv[i]) {
                    at = sub;
                    last = i;
                    words += std::string(" ") + argv[i];
                    break;
                }
            }
        }
        const std::string where = "veldrant-cli" + words;
        std::string what = e.what();
        // A word where a command was wanted: name it rather than say that one is missing.
        if (!at->get_subcommands({}).empty() && last + 1 < argc && argv[last + 1][0] != '-')
            what = "unknown command '" + std::string(argv[last + 1]) + "'";
        std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", where.c_str(), what.c_str(),
                     where.c_str());
        return kExitUsage;
    }
    const CLI::App* chosen = &root_;
    while (!chosen->get_subcommands().empty())
        chosen = chosen->get_subcommands().front();
    auto run = runs_.find(chosen);
    if (run == runs_.end()) {
        std::fputs(chosen->help().c_str(), stderr);
        return kExitUsage;
    }
    const std::vector<const CLI::Option*> own = chosen->get_options();
    for (const CLI::Option* option : inputs_) {
        if (std::find(own.begin(), own.end(), option) == own.end())
            continue;
        for (const std::string& path : option->results()) {
            if (std::string why = InputProblem(path); !why.empty()) {
                std::fprintf(stderr, "veldrant-cli: %s\n", why.c_str());
                return kExitFailure;
            }
        }
    }
    if (std::string why = OutputIsInput(chosen); !why.empty()) {
        std::fprintf(stderr, "veldrant-cli: %s\n", why.c_str());
        return kExitFailure;
    }
    return run->second();
}

namespace {

// A validator's description would follow the option's placeholder in the help ("+HH:MM:+HH:MM");
// its refusal already says what it wants.
void QuietValidators(CLI::App& app) {
    for (CLI::Option* option : app.get_options()) {
        for (int i = 0;; ++i) {
            CLI::Validator* validator = nullptr;
            try {
                validator = option->get_validator(i);
            } catch (const CLI::OptionNotFound&) {
                break;
            }
            validator->description("");
        }
    }
    for (CLI::App* sub : app.get_subcommands({}))
        QuietValidators(*sub);
}

}  // namespace

std::unique_ptr<CommandLine> MakeCommandLine() {
    auto line = std::make_unique<CommandLine>();
    for (const CommandAdder& add : Adders())
        add(*line);
    QuietValidators(line->Root());
    return line;
}

int FinishStandardOutput(int code) {
    // A full disk or a closed pipe shows only when the buffered answer is pushed out: a
    // command whose answer was lost has failed, whatever it did before.
    errno = 0;
    std::cout.flush();
    const bool written = std::fflush(stdout) == 0 && !std::ferror(stdout) && !std::cout.fail();
    if (written)
        return code;
    const int error = errno;
    std::fprintf(stderr, "veldrant-cli: standard output could not be written%s%s\n",
                 error != 0 ? ": " : "", error != 0 ? std::strerror(error) : "");
    return code == kExitOk ? kExitFailure : code;
}

}  // namespace veldrant::cli

int main(int argc, char** argv) {
    // Ctrl-C and SIGTERM: a job that runs stops at its next safe point; otherwise nothing
    // half-written stays behind.
    veldrant::platform::InstallInterruptHandling();
    veldrant::platform::UseUtf8Console();
    // The arguments in UTF-8 whatever the system's code page (paths may be Japanese).
    std::vector<std::string> words = veldrant::platform::Utf8Arguments(argc, argv);
    std::vector<char*> args{argc > 0 ? argv[0] : const_cast<char*>("veldrant-cli")};
    for (std::string& w : words)
        args.push_back(w.data());
    args.push_back(nullptr);
    auto line = veldrant::cli::MakeCommandLine();
    const int code = line->Run(int(args.size()) - 1, args.data());
    return veldrant::cli::FinishStandardOutput(code);
}
