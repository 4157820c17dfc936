// SafeOutput on Linux: a hidden temporary file created with O_EXCL in the target's folder
// (mode 0666, so the umask gives it a new file's permissions; a replaced file's own permissions
// when it replaces one), rename(2) over the target.
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <random>

#include "platform/SafeOutput.h"

namespace veldrant::platform {
namespace {

// The temporary files a signal handler may have to remove: fixed slots, so that the handler
// neither allocates nor takes a lock. A slot is claimed (1) while its path is being copied and
// counts (2) only once the path is whole.
constexpr size_t kSlots = 64;
struct PendingSlot {
    std::atomic<int> state{0};
    char path[PATH_MAX];
};
std::array<PendingSlot, kSlots> g_pending;

int RegisterPending(const std::string& path) {
    if (path.size() >= PATH_MAX)
        return -1;
    for (size_t i = 0; i < kSlots; ++i) {
        int expected = 0;
        if (g_pending[i].state.compare_exchange_strong(expected, 1)) {
            std::memcpy(g_pending[i].path, path.c_str(), path.size() + 1);
            g_pending[i].state.store(2);
            return static_cast<int>(i);
        }
    }
    return -1;  // more outputs at once than slots: this one is only removed by its owner
}

void UnregisterPending(int slot) {
    if (slot < 0)
        return;
    g_pending[static_cast<size_t>(slot)].state.store(1);
    g_pending[static_cast<size_t>(slot)].state.store(0);
}

std::string Quoted(const std::string& path) {
    return "'" + path + "'";
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Writing through a link writes the file it points to: the temporary file goes beside that.
std::string Resolved(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real)
        return path;  // a link to nothing: the link itself is replaced
    std::string resolved(real);
    ::free(real);
    return resolved;
}

std::string CreateFailure(const std::string& target, int err) {
    if (err == ENOENT || err == ENOTDIR) {
        const std::string folder = FolderOf(target);
        if (KindOfPath(folder) == PathKind::Missing)
            return "cannot create " + Quoted(target) + ": the folder " + Quoted(folder) +
                   " does not exist";
        if (KindOfPath(folder) != PathKind::Folder)
            return "cannot create " + Quoted(target) + ": " + Quoted(folder) + " is not a folder";
    }
    return "cannot create " + Quoted(target) + ": " + std::strerror(err);
}

class LinuxSafeOutput final : public SafeOutput {
public:
    LinuxSafeOutput(std::string target, std::string real, std::string temp, int fd, bool replaces)
        : SafeOutput(std::move(target), std::move(temp), replaces),
          real_(std::move(real)),
          fd_(fd) {
        slot_ = RegisterPending(temp_);
    }
    ~LinuxSafeOutput() override { Abandon(); }

    bool Write(std::string_view bytes) override {
        if (fd_ < 0 || !error_.empty()) {
            if (error_.empty())
                error_ = "cannot write " + Quoted(target_) + ": the file is closed";
            return false;
        }
        const char* p = bytes.data();
        size_t left = bytes.size();
        while (left > 0) {
            ssize_t n = ::write(fd_, p, left);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                Fail(n < 0 ? errno : ENOSPC);
                return false;
            }
            p += n;
            left -= static_cast<size_t>(n);
        }
        return true;
    }

    void HandOver() override { CloseHandle(); }

    void Abandon() override {
        CloseHandle();
        if (!done_) {
            ::unlink(temp_.c_str());
            UnregisterPending(slot_);
            slot_ = -1;
            done_ = true;
        }
    }

protected:
    const std::string& Beside() const override { return real_; }

    Placing Place(const std::string& path, bool replace) override {
        if (committed_)
            return Placing::Done;
        if (done_) {
            if (error_.empty())
                error_ = "cannot write " + Quoted(target_) + ": the output was abandoned";
            return Placing::Failed;
        }
        // Replacing a file the user had: its new contents must be on disk before the name
        // points at them.
        if (error_.empty() && fd_ >= 0 && replace && replaces_ && ::fsync(fd_) != 0 &&
            errno != EINVAL)
            Fail(errno);
        CloseHandle();
        if (error_.empty() && replace) {
            if (std::string why = CheckOutputFile(path); !why.empty())
                error_ = why;
        }
        if (error_.empty()) {
            const int err =
                replace ? (::rename(temp_.c_str(), path.c_str()) == 0 ? 0 : errno) : PutNew(path);
            if (err == EEXIST && !replace)
                return Placing::Taken;
            if (err != 0)
                Fail(err);
        }
        if (!error_.empty()) {
            Abandon();
            return Placing::Failed;
        }
        UnregisterPending(slot_);
        slot_ = -1;
        done_ = true;
        committed_ = true;
        placed_ = path;
        return Placing::Done;
    }

private:
    void Fail(int err) {
        if (error_.empty())
            error_ = "cannot write " + Quoted(target_) + ": " + std::strerror(err);
    }
    void CloseHandle() {
        if (fd_ < 0)
            return;
        // close() is where some file systems report a failed write-back.
        if (::close(fd_) != 0 && errno != EINTR)
            Fail(errno);
        fd_ = -1;
    }
    // Gives the temporary file the name `path` only where no file has it: 0, EEXIST or the
    // failure's errno.
    int PutNew(const std::string& path) {
        if (::renameat2(AT_FDCWD, temp_.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0)
            return 0;
        if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
            return errno;
        // A file system without the no-replace rename: a second link is made only where no
        // file has the name.
        if (::link(temp_.c_str(), path.c_str()) == 0) {
            ::unlink(temp_.c_str());
            return 0;
        }
        if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP)
            return errno;
        // Nor links (FAT): the name is looked at first.
        if (KindOfPath(path) != PathKind::Missing)
            return EEXIST;
        return ::rename(temp_.c_str(), path.c_str()) == 0 ? 0 : errno;
    }

    std::string real_;  // the file a link points to, else the target
    int fd_;
    bool done_ = false;
    int slot_ = -1;
};

}  // namespace

PathKind KindOfPath(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return PathKind::Missing;
    if (S_ISREG(st.st_mode))
        return PathKind::File;
    if (S_ISDIR(st.st_mode))
        return PathKind::Folder;
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
        return PathKind::Device;
    if (S_ISFIFO(st.st_mode))
        return PathKind::Fifo;
    if (S_ISSOCK(st.st_mode))
        return PathKind::Socket;
    return PathKind::Other;
}

bool IsReadOnlyFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    // Root may write any file; one that nobody has the right to write it still leaves alone, as
    // the owner made it so.
    if (::geteuid() == 0 && (st.st_mode & 0222) == 0)
        return true;
    return ::access(path.c_str(), W_OK) != 0 && (errno == EACCES || errno == EROFS);
}

bool MakeOutputFolder(const std::string& path, std::string* error) {
    if (std::string why = CheckOutputFolder(path); !why.empty()) {
        if (error)
            *error = why;
        return false;
    }
    // Every missing parent in turn, as mkdir -p does.
    for (size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos != path.size() && path[pos] != '/')
            continue;
        const std::string part = path.substr(0, pos);
        if (KindOfPath(part) == PathKind::Folder)
            continue;
        if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) {
            if (error)
                *error = "cannot create the folder " + Quoted(part) + ": " + std::strerror(errno);
            return false;
        }
        if (KindOfPath(part) != PathKind::Folder) {
            if (error)
                *error = CheckOutputFolder(part);
            return false;
        }
    }
    return true;
}

std::unique_ptr<SafeOutput> SafeOutput::Create(const std::string& target, std::string* error) {
    auto fail = [error](std::string why) -> std::unique_ptr<SafeOutput> {
        if (error)
            *error = std::move(why);
        return nullptr;
    };
    if (std::string why = CheckOutputFile(target); !why.empty())
        return fail(why);
    if (!target.empty() && target.back() == '/') {
        // The name of a folder: one that does not exist is said so.
        const size_t end = target.find_last_not_of('/');
        if (end != std::string::npos && KindOfPath(target.substr(0, end + 1)) == PathKind::Missing)
            return fail("the folder " + Quoted(target) + " does not exist");
        return fail(Quoted(target) + " names a folder, not a file");
    }
    const std::string real = Resolved(target);
    const bool replaces = KindOfPath(real) == PathKind::File;
    // ".NAME.XXXXXX.part" beside the file; long names are cut to stay within NAME_MAX.
    std::string name = NameOf(real).substr(0, 200);
    std::string folder = FolderOf(real);
    std::random_device seed;
    std::mt19937 rng(seed() ^ static_cast<unsigned>(::getpid()));
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".%06x.part",
                      static_cast<unsigned>(rng() & 0xFFFFFFu));
        std::string temp = (folder == "/" ? "" : folder) + "/." + name + suffix;
        int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 && replaces) {
            // A file that is replaced keeps its permissions, as it did when it was rewritten in
            // place; a new one gets 0666 less the umask.
            struct stat old {};
            if (::stat(real.c_str(), &old) == 0)
                ::fchmod(fd, old.st_mode & 07777);
        }
        if (fd >= 0)
            return std::unique_ptr<SafeOutput>(
                new LinuxSafeOutput(target, real, temp, fd, replaces));
        if (errno != EEXIST)
            return fail(CreateFailure(target, errno));
    }
    return fail("cannot create " + Quoted(target) + ": no free temporary name beside it");
}

void RemovePendingOutputs() {
    for (PendingSlot& slot : g_pending) {
        if (slot.state.load() == 2)
            ::unlink(slot.path);
    }
}

}  // namespace veldrant::platform
