// The simulated watches' folder as both "sim" transports list it: each <name>.hid entry whose
// name does not start with '.' and that the platform takes for an interface (a socket on Linux,
// a file naming a pipe on Windows), as absolute paths in byte order of the UTF-8 names.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace veldrant::platform {

// True for a name listed as an interface: <name>.hid, not hidden.
bool IsSimInterfaceName(const std::string& name);
// `dir` made absolute and normal (as given when that fails).
std::string SimAbsolute(const std::string& dir);
// DIR/<name>.hid for each interface of `dir` (absolute) that `isInterface(path)` accepts.
std::vector<std::string> ListSimFolder(const std::string& dir,
                                       const std::function<bool(const std::string&)>& isInterface);

}  // namespace veldrant::platform
