// The mark import's second copy: after the mark CSV file is in place, its rounds go into the
// logbook. Says in one line what was added, or why nothing was; never fails the import.
#pragma once

#include <string>

namespace veldrant::cli {

// `logbookPath` as --logbook gives it (empty: the default logbook).
void AddImportToLogbook(const std::string& csvPath, const std::string& logbookPath);

}  // namespace veldrant::cli
