// The lock that keeps two Veldrant programs off one watch: flock on a file that stands for the
// watch (the hidraw node itself, or a lock file beside a simulated watch's socket).
#pragma once

#include <memory>
#include <string>

#include "platform/HidTransport.h"

namespace veldrant::platform::linux_fd {

// flock(LOCK_EX | LOCK_NB) on `file`, created (mode 0600) when `create` is set. nullptr when
// another open file holds it, with that holder's process id (from /proc/locks) in *holder; a
// lock that holds nothing when the file cannot be opened.
std::unique_ptr<IInterfaceLock> LockFile(const std::string& file, bool create, long* holder);

// The process id that /proc/locks names for a FLOCK on the file of device `dev`, inode `ino`,
// in the text of that file; 0 when none is listed.
long FlockHolderIn(const std::string& procLocks, unsigned long dev, unsigned long ino);

}  // namespace veldrant::platform::linux_fd
