// Opening the logbook window, for the parts of the program that do not know it: a build without
// the logbook (no SQLite) links the variant that has none.
#pragma once

#include <QString>

#include <functional>
#include <optional>
#include <string>

#include "rounds/Round.h"

class QWidget;

namespace veldrant::app {

// False when this build has no logbook.
bool HasLogbook();
// Shows the logbook window over `owner` (null: a window of its own), opening the logbook at
// `path`, else the one VELDRANT_LOGBOOK names, else the user's data folder's; an open window is
// raised. Null without a logbook.
QWidget* ShowLogbookWindow(QWidget* owner, const std::string& path = {});
// Adds the mark CSV file an import wrote to the logbook (VELDRANT_LOGBOOK's, else the user's
// data folder's) and shows it in an open logbook window. The one line that says what happened:
// what was added, or why nothing was (the file stays the import's result either way); empty
// without a logbook. While another program writes to the logbook and this one waits, `waiting`
// is given the text that says so, to show at once.
QString AddImportToLogbook(const QString& csvPath,
                           const std::function<void(const QString&)>& waiting = {});
// The logbook's newest `count` rounds, newest first and numbered from 1 in that order, measured
// as the rounds of a file. Read only when the logbook's fingerprint (which changes whenever
// rounds, marks or cards come or go, also by another program) differs from `seen`, which then
// takes the new one; nothing when it is the same, there is no logbook yet or it cannot be read.
std::optional<rounds::RoundFile> LatestLogbookRounds(size_t count, std::string& seen);

}  // namespace veldrant::app
