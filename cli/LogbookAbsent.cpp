// A build without the logbook (no SQLite or no rounds): the import says so and goes on.
#include <cstdio>

#include "cli/LogbookAdd.h"

namespace veldrant::cli {

void AddImportToLogbook(const std::string&, const std::string&) {
    std::fprintf(stderr, "veldrant-cli: this build has no logbook; the marks were not added\n");
}

}  // namespace veldrant::cli
