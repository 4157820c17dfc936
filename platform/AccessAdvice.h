// What a user can do when a watch's interface is there but cannot be opened. The reasons
// differ by platform and by transport (a missing udev rule for a hidraw node, another user's
// simulated watch, the account's rights or another program holding the watch on Windows), so
// the words come from here, not from the link or the CLI. `transport` is the name of the
// transport that listed the interface ("hidraw", "hid", "sim").
#pragma once

#include <string>

namespace veldrant::platform {

// A few words for one line of 'devices': "permission denied (…)".
std::string PermissionDeniedHint(const std::string& transport);
// Several lines telling the user what to do, each ending in a newline.
std::string PermissionDeniedAdvice(const std::string& transport);
// Several lines for a watch that another program holds open, each ending in a newline.
std::string InUseAdvice();

}  // namespace veldrant::platform
