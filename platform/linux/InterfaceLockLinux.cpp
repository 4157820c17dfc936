#include "platform/linux/InterfaceLockLinux.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/linux/FdWait.h"
#include "platform/linux/UnixSocket.h"

namespace veldrant::platform::linux_fd {

namespace {

// Holds the flock for as long as the descriptor stays open.
class FlockLock : public IInterfaceLock {
public:
    explicit FlockLock(Fd fd) : fd_(std::move(fd)) {}

private:
    Fd fd_;
};

std::string ReadProcLocks() {
    std::ifstream in("/proc/locks");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

// Lines read "1: FLOCK  ADVISORY  WRITE 4711 00:05:1234 0 EOF": the device's major and minor in
// hex, the inode in decimal. Waiters are listed as "1: -> FLOCK ..." and are not holders.
long FlockHolderIn(const std::string& procLocks, unsigned long dev, unsigned long ino) {
    std::istringstream lines(procLocks);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string number, kind, mode, access, id;
        long pid = 0;
        if (!(words >> number >> kind) || kind != "FLOCK")
            continue;
        if (!(words >> mode >> access >> pid >> id))
            continue;
        unsigned int major = 0, minor = 0;
        unsigned long inode = 0;
        if (std::sscanf(id.c_str(), "%x:%x:%lu", &major, &minor, &inode) != 3)
            continue;
        if (makedev(major, minor) == dev && inode == ino)
            return pid;
    }
    return 0;
}

std::unique_ptr<IInterfaceLock> LockFile(const std::string& file, bool create, long* holder) {
    if (holder)
        *holder = 0;
    int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    if (create)
        flags = O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY;
    Fd fd(open(file.c_str(), flags, 0600));
    if (!fd)
        return std::make_unique<IInterfaceLock>();
    for (;;) {
        if (flock(fd.Get(), LOCK_EX | LOCK_NB) == 0)
            return std::make_unique<FlockLock>(std::move(fd));
        if (errno != EINTR)
            break;
    }
    if (errno != EWOULDBLOCK)
        return std::make_unique<IInterfaceLock>();
    struct stat st;
    if (holder && fstat(fd.Get(), &st) == 0)
        *holder = FlockHolderIn(ReadProcLocks(), st.st_dev, st.st_ino);
    return nullptr;
}

}  // namespace veldrant::platform::linux_fd
