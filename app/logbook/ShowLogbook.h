// Opening the logbook window, for the parts of the program that do not know it: a build without
// the logbook (no SQLite) links the variant that has none.
#pragma once

#include <string>

class QWidget;

namespace veldrant::app {

// False when this build has no logbook.
bool HasLogbook();
// Shows the logbook window over `owner` (null: a window of its own), opening the logbook at
// `path`, else the one VELDRANT_LOGBOOK names, else the user's data folder's; an open window is
// raised. Null without a logbook.
QWidget* ShowLogbookWindow(QWidget* owner, const std::string& path = {});

}  // namespace veldrant::app
