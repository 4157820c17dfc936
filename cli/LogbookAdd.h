// The mark import's second copy: after the mark CSV file is in place, its rounds go into the
// logbook. Says in one line what was added, or why nothing was; never fails the import.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

namespace veldrant::cli {

// The --logbook option every command that uses the logbook takes.
inline CLI::Option* AddLogbookOption(CLI::App& c, std::string& path) {
    return c
        .add_option("--logbook", path,
                    "the logbook file (default: $VELDRANT_LOGBOOK, else logbook.sqlite3 in "
                    "the user's data folder)")
        ->type_name("PATH");
}

// `logbookPath` as --logbook gives it (empty: the default logbook).
void AddImportToLogbook(const std::string& csvPath, const std::string& logbookPath);

}  // namespace veldrant::cli
