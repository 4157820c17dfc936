// Where the programs keep what belongs to the user rather than to a file the user chose: the
// logbook. Paths are UTF-8 on every platform.
#pragma once

#include <string>

namespace veldrant::platform {

// The value of an environment variable as UTF-8; empty when it is unset or empty.
std::string EnvironmentText(const char* name);

// The user's data folder for Veldrant: $XDG_DATA_HOME/veldrant (default ~/.local/share/veldrant)
// on Linux, %LOCALAPPDATA%\Veldrant on Windows. Not made here; empty when the system names none.
std::string UserDataFolder();

// The logbook's file name inside that folder, joined with the platform's separator.
std::string UserDataFile(const std::string& name);

}  // namespace veldrant::platform
