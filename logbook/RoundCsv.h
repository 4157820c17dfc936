// A logged round written back as a mark CSV file of its own, in the mark import's layout (byte
// order mark, CR LF, every field quoted): one mark set of one session, its marks, its SCORE line
// and its score cards as they were added.
#pragma once

#include <string>

#include "logbook/Records.h"

namespace veldrant::logbook {

// The file's bytes; the round as Logbook::StoredRounds gives it.
std::string RoundCsv(const LoggedRound& round);

// "20160503_080221_1021_MARK.csv": the round's start and golf course.
std::string RoundCsvName(const LoggedRound& round);

}  // namespace veldrant::logbook
