// Words of help texts and messages that name things of one platform: what stops a job from
// outside, where the watch's interfaces are found, where simulated watches live. Shared code
// asks here instead of naming signals, device nodes or environment variables itself.
#pragma once

#include <string>

namespace veldrant::platform {

// What stops a running job besides a second Ctrl-C: "SIGTERM" on Linux.
std::string OtherStopRequest();
// Where 'devices' looks, in the order it looks: "the kernel's hidraw nodes, then simulated
// watches".
std::string DeviceSources();
// What a user does about a device that cannot be opened for lack of permission, in a few words
// for a help text.
std::string PermissionRemedy();
// An environment variable as the platform's shell writes it: "$NAME", "%NAME%".
std::string EnvironmentVariable(const std::string& name);
// Where simulated watches live when VELDRANT_SIM_DIR is not set, in the platform's notation.
std::string SimDirectoryDefault();

}  // namespace veldrant::platform
