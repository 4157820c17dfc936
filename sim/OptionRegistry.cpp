#include "sim/OptionRegistry.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace veldrant::sim {

namespace {
std::vector<SimOption>& Options() {
    static std::vector<SimOption> options;
    return options;
}
std::vector<SimSetup>& Setups() {
    static std::vector<SimSetup> setups;
    return setups;
}
}  // namespace

void RegisterSimOption(SimOption option) {
    Options().push_back(std::move(option));
}
void RegisterSimSetup(SimSetup setup) {
    Setups().push_back(std::move(setup));
}
const std::vector<SimOption>& SimOptions() {
    return Options();
}
const std::vector<SimSetup>& SimSetups() {
    return Setups();
}

bool ParseNumber(const std::string& text, long min, long max, long* out) {
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || v < min || v > max)
        return false;
    *out = v;
    return true;
}

bool ParseSimArgs(int argc, char** argv, SimConfig& config, std::string* error) {
    // Each registered option becomes one of CLI11's; its own function checks and applies the
    // value, and a refusal names the option.
    CLI::App app("a simulated KVT2700 watch", "veldrant-sim");
    app.set_help_flag();
    app.allow_windows_style_options(false);  // "/x" is a path on every platform
    app.add_flag("-h,--help", config.help, "this text");
    app.add_flag("--version", config.version, "print the version and exit");
    for (const SimOption& o : Options()) {
        auto apply = [&config, &o](const std::string& value) {
            std::string why;
            if (!o.apply(config, value, &why))
                throw CLI::ValidationError(o.name, why);
        };
        if (o.arg.empty()) {
            app.add_flag_callback(
                o.name, [apply] { apply(""); }, o.help);
        } else {
            // Given twice, each value is applied in turn, as before.
            app.add_option_function<std::vector<std::string>>(
                   o.name,
                   [apply](const std::vector<std::string>& values) {
                       for (const std::string& v : values)
                           apply(v);
                   },
                   o.help)
                ->type_name(o.arg)
                ->expected(1)
                ->allow_extra_args(false)
                ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
        }
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ExtrasError& e) {
        std::string extra = e.what();
        const size_t colon = extra.find(": ");
        *error = "unknown option '" +
                 (colon == std::string::npos ? extra : extra.substr(colon + 2)) + "'";
        return false;
    } catch (const CLI::ArgumentMismatch& e) {
        const std::string what = e.what();
        const std::string name = what.substr(0, what.find(':'));
        auto it = std::find_if(Options().begin(), Options().end(),
                               [&](const SimOption& o) { return o.name == name; });
        *error = name + " needs " + (it == Options().end() ? "a value" : it->arg);
        return false;
    } catch (const CLI::ParseError& e) {
        *error = e.what();
        return false;
    }
    return true;
}

std::string SimOptionsHelp() {
    std::vector<SimOption> sorted = Options();
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const SimOption& a, const SimOption& b) { return a.name < b.name; });
    const size_t column = 32, width = 100;
    std::string text;
    for (const SimOption& o : sorted) {
        std::string line = "  " + o.name + (o.arg.empty() ? "" : " " + o.arg);
        line = line.size() < column ? line + std::string(column - line.size(), ' ')
                                    : line + "\n" + std::string(column, ' ');
        // Word-wrapped help, indented to the column.
        size_t used = column;
        for (size_t pos = 0; pos < o.help.size();) {
            size_t space = o.help.find(' ', pos);
            std::string word = o.help.substr(pos, space == std::string::npos ? space : space - pos);
            if (used > column && used + 1 + word.size() > width) {
                line += "\n" + std::string(column, ' ');
                used = column;
            } else if (used > column) {
                line += ' ';
                ++used;
            }
            line += word;
            used += word.size();
            pos = space == std::string::npos ? o.help.size() : space + 1;
        }
        text += line + "\n";
    }
    return text;
}

}  // namespace veldrant::sim
