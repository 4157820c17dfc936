// The statistics written out: a JSON object for scripts (numbers in the C locale with fixed
// decimals, null where no round gives the figure, par-based and handicap members only when they
// exist) and plain English text for a terminal.
#pragma once

#include <string>

#include "logbook/Statistics.h"

namespace veldrant::logbook {

// One JSON object and a line end.
std::string StatsJson(const Stats& stats);
std::string StatsText(const Stats& stats);

}  // namespace veldrant::logbook
