// The simulated-interface carrier on Windows. Windows has no packet sockets in the file system,
// so each interface is two things:
//  - a message-mode named pipe, \\.\pipe\veldrant-sim-<process id>-<serial>-<name>, one pipe
//    instance per host connection; each message is one packet (hello, report);
//  - a small file <name>.hid in the simulation directory holding that pipe's name in UTF-8:
//    hosts list and watch these files as on Linux they list the sockets, and the file's path is
//    the interface path. It is renamed into place once the pipe listens, and deleted first on
//    unplugging, before the connections close.
#pragma once

#include <optional>
#include <string>

namespace veldrant::platform::win {

// The pipe name a published interface file holds; nullopt when it cannot be read.
std::optional<std::wstring> ReadPipeName(const std::string& interfacePath);
// A pipe name that no other interface of any process uses.
std::wstring NewPipeName(const std::string& name);

}  // namespace veldrant::platform::win
