// The lock that keeps two Veldrant programs off one watch on Windows: a named mutex whose name
// is made from the interface's path.
#pragma once

#include <memory>
#include <string>

#include "platform/HidTransport.h"

namespace veldrant::platform::win {

// The mutex's name for an interface path: the same for every spelling Windows gives of one
// path (device paths compare without regard to case).
std::wstring InterfaceMutexName(const std::string& path);

// Takes the mutex of `path` without waiting; nullptr when another process holds it (Windows
// does not say which: *holder is 0). A mutex that cannot be made holds nothing.
std::unique_ptr<IInterfaceLock> LockInterfaceMutex(const std::string& path, long* holder);

}  // namespace veldrant::platform::win
