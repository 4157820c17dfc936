// The terminal a command-line program writes its progress to.
#pragma once

namespace veldrant::platform {

// True when standard error is a terminal.
bool StderrIsTerminal();
// The width of the terminal on standard error in columns; 80 when it cannot be told.
int StderrColumns();

}  // namespace veldrant::platform
