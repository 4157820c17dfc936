// What a user can do when a watch's interface is there but cannot be opened. The reasons
// differ by platform (a missing udev rule on Linux; the account's rights, or another program
// holding the watch, on Windows), so the words come from here, not from the link or the CLI.
#pragma once

#include <string>

namespace veldrant::platform {

// A few words for one line of 'devices': "permission denied (…)".
std::string PermissionDeniedHint();
// Several lines telling the user what to do, each ending in a newline.
std::string PermissionDeniedAdvice();
// Several lines for a watch that another program holds open, each ending in a newline.
std::string InUseAdvice();

}  // namespace veldrant::platform
