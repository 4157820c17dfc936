// The "sim" transport: lists <name>.hid sockets in the simulation directory (platform/SimFolder.h),
// greets them, and watches the directory for sockets appearing and disappearing.
#include "platform/SimTransport.h"

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "platform/SimFolder.h"
#include "platform/SimProtocol.h"
#include "platform/linux/FdWait.h"
#include "platform/linux/InterfaceLockLinux.h"
#include "platform/linux/SimDevice.h"

namespace veldrant::platform {

namespace {

using linux_fd::CancelEvent;
using linux_fd::Fd;

// Sends arrival and removal notices for <name>.hid entries of one directory.
class SimNotices : public INoticeSubscription {
public:
    // The directory is watched before this returns, so no notice after it can be missed.
    SimNotices(std::string dir, HidNoticeFn fn)
        : dir_(std::move(dir)),
          fn_(std::move(fn)),
          inotify_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        AddWatch();
        thread_ = std::thread([this] { Run(); });
    }
    ~SimNotices() override {
        stop_.Signal();
        thread_.join();
    }

private:
    void AddWatch() {
        if (!inotify_)
            return;
        watch_ = inotify_add_watch(inotify_.Get(), dir_.c_str(),
                                   IN_CREATE | IN_DELETE | IN_MOVED_TO | IN_MOVED_FROM |
                                       IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR);
    }

    void Run() {
        if (!inotify_)
            return;
        for (;;) {
            if (watch_ < 0)
                AddWatch();
            // Without a watch (no directory yet: no simulator ever ran) look again every second.
            auto wait = std::chrono::milliseconds(watch_ < 0 ? 1000 : INT_MAX);
            linux_fd::WaitResult r = linux_fd::WaitFd(inotify_.Get(), POLLIN, stop_, wait);
            if (r == linux_fd::WaitResult::Cancelled || r == linux_fd::WaitResult::Error)
                return;
            if (r == linux_fd::WaitResult::Ready && !Drain(inotify_.Get()))
                watch_ = -1;
        }
    }

    // Delivers the queued events; false when the directory itself went away.
    bool Drain(int fd) {
        alignas(inotify_event) char buffer[8192];
        bool dirAlive = true;
        for (;;) {
            ssize_t n = read(fd, buffer, sizeof(buffer));
            if (n <= 0)
                return dirAlive;
            for (char* p = buffer; p < buffer + n;) {
                auto* ev = reinterpret_cast<inotify_event*>(p);
                p += sizeof(inotify_event) + ev->len;
                if (ev->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED))
                    dirAlive = false;
                if (ev->len == 0)
                    continue;
                std::string name(ev->name);
                if (!IsSimInterfaceName(name))
                    continue;
                std::string path = dir_ + "/" + name;
                if (ev->mask & (IN_CREATE | IN_MOVED_TO))
                    fn_(HidNotice::Arrival, path);
                if (ev->mask & (IN_DELETE | IN_MOVED_FROM))
                    fn_(HidNotice::Removal, path);
            }
        }
    }

    std::string dir_;
    HidNoticeFn fn_;
    Fd inotify_;
    int watch_ = -1;
    CancelEvent stop_;
    std::thread thread_;
};

class SimTransport : public IHidTransport {
public:
    explicit SimTransport(std::string dir) : fixedDir_(std::move(dir)) {}

    std::string Name() const override { return "sim"; }

    std::vector<std::string> ListInterfaces() override {
        std::string dir = SimAbsolute(Directory());
        if (!Trusted(dir))
            return {};
        return ListSimFolder(dir, [](const std::string& path) {
            struct stat st;
            return stat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
        });
    }

    std::optional<HidIds> ReadIds(const std::string& path, OpenError* error) override {
        std::optional<SimHello> hello = linux_fd::ConnectAndGreet(path, nullptr, error);
        if (!hello)
            return std::nullopt;
        return HidIds{hello->vendorId, hello->productId, hello->release};
    }

    std::unique_ptr<IHidDevice> Open(const std::string& path, OpenError* error) override {
        Fd socket;
        std::optional<SimHello> hello = linux_fd::ConnectAndGreet(path, &socket, error);
        if (!hello)
            return nullptr;
        return std::make_unique<linux_fd::SimDevice>(std::move(socket), *hello);
    }

    std::unique_ptr<INoticeSubscription> Subscribe(HidNoticeFn fn) override {
        return std::make_unique<SimNotices>(SimAbsolute(Directory()), std::move(fn));
    }

    // A socket cannot carry a flock: a hidden file beside it, ".<name>.hid.lock", does. It
    // stays when the lock is given back (removing it could let two programs lock two files).
    std::unique_ptr<IInterfaceLock> Lock(const std::string& path, long* holder) override {
        std::filesystem::path p(path);
        std::string file = (p.parent_path() / ("." + p.filename().string() + ".lock")).string();
        return linux_fd::LockFile(file, true, holder);
    }

private:
    std::string Directory() const { return fixedDir_.empty() ? SimDirectory() : fixedDir_; }

    // The /tmp fallback is a name anyone could take first: there, only a directory of our own
    // counts. A directory named by the environment or by the caller is taken as given.
    bool Trusted(const std::string& dir) const {
        auto set = [](const char* name) {
            const char* v = std::getenv(name);
            return v && *v;
        };
        if (!fixedDir_.empty() || set("VELDRANT_SIM_DIR") || set("XDG_RUNTIME_DIR"))
            return true;
        struct stat st;
        return lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid();
    }

    std::string fixedDir_;
};

}  // namespace

std::shared_ptr<IHidTransport> MakeSimTransport(std::string directory) {
    return std::make_shared<SimTransport>(std::move(directory));
}

}  // namespace veldrant::platform
