#include "sim/OptionRegistry.h"

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
    for (int i = 1; i < argc; ++i) {
        std::string word = argv[i];
        if (word == "-h" || word == "--help") {
            config.help = true;
            continue;
        }
        std::string name = word, value;
        bool inlineValue = false;
        if (size_t eq = word.find('='); eq != std::string::npos) {
            name = word.substr(0, eq);
            value = word.substr(eq + 1);
            inlineValue = true;
        }
        auto it = std::find_if(Options().begin(), Options().end(),
                               [&](const SimOption& o) { return o.name == name; });
        if (it == Options().end()) {
            *error = "unknown option '" + word + "'";
            return false;
        }
        if (!it->arg.empty() && !inlineValue) {
            if (i + 1 >= argc) {
                *error = name + " needs " + it->arg;
                return false;
            }
            value = argv[++i];
        }
        std::string why;
        if (!it->apply(config, value, &why)) {
            *error = name + ": " + why;
            return false;
        }
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
