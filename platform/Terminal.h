// The terminal a command-line program writes its progress to.
#pragma once

#include <cstdio>

namespace veldrant::platform {

// Standard error for text that carries its own line ends ("\r\n"): written byte for byte,
// without a text mode that would add a second carriage return.
std::FILE* StderrAsBytes();

// True when standard error is a terminal.
bool StderrIsTerminal();
// The width of the terminal on standard error in columns; 80 when it cannot be told.
int StderrColumns();

}  // namespace veldrant::platform
