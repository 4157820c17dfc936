// The per-user lock is an flock on a file in the user's runtime directory. The kernel drops the
// lock with the process, so a copy that crashed never keeps the next one from starting, and the
// file itself is never removed (removing it would let two copies lock two different files).
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/SingleInstance.h"

namespace veldrant::platform {

struct CSingleInstance::Impl {
    int fd = -1;
    ~Impl() {
        if (fd >= 0)
            ::close(fd);
    }
};

namespace {

bool IsOwnDirectory(const char* dir) {
    if (!dir || dir[0] != '/')
        return false;
    struct stat st {};
    return ::stat(dir, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid();
}

// The name becomes one path component; a slash would lead elsewhere.
std::string FileNameFor(const std::string& name) {
    std::string file = name.empty() ? std::string("lock") : name;
    for (char& c : file) {
        if (c == '/' || c == '\0')
            c = '_';
    }
    return file;
}

std::string LockPath(const std::string& name) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (IsOwnDirectory(runtime))
        return std::string(runtime) + "/" + FileNameFor(name) + ".lock";
    // Without a runtime directory the shared temporary folder is used, with the user id in the
    // name so that users do not share one lock.
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = (tmp && tmp[0] == '/') ? tmp : "/tmp";
    return dir + "/" + FileNameFor(name) + "-" + std::to_string(::geteuid()) + ".lock";
}

}  // namespace

CSingleInstance::CSingleInstance(const std::string& name) : impl_(std::make_unique<Impl>()) {
    where_ = LockPath(name);
    // O_CLOEXEC: programs started from here (the web browser of the About page) must not
    // inherit the lock and keep it after this copy ends.
    int fd = ::open(where_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return;
    struct stat st {};
    // A file that another user planted in a shared folder is not ours to lock.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        ::close(fd);
        return;
    }
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        state_ = (errno == EWOULDBLOCK) ? InstanceState::AlreadyRunning : InstanceState::Failed;
        ::close(fd);
        return;
    }
    impl_->fd = fd;
    state_ = InstanceState::First;
}

CSingleInstance::~CSingleInstance() = default;

}  // namespace veldrant::platform
