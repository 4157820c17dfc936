// The command line and the console of a terminal program: arguments as UTF-8 words whatever the
// system's code page, and output that shows UTF-8 text as it is.
#pragma once

#include <string>
#include <vector>

namespace veldrant::platform {

// The program's arguments without the program name, in UTF-8. On Windows they are taken from
// the wide-character command line, not from `argv` (which holds them in the ANSI code page).
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// Makes the console show the UTF-8 text the program prints (a no-op where it always does).
void UseUtf8Console();

}  // namespace veldrant::platform
