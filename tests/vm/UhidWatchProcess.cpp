#include "tests/vm/UhidWatchProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace veldrant::vmtest {
namespace {

constexpr std::chrono::seconds kStartLimit{10};

std::string ProgramPath() {
    const char* env = std::getenv("VELDRANT_UHID_WATCH");
    return env && *env ? env : "veldrant-uhid-watch";
}

}  // namespace

uint64_t MonotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint64_t(ts.tv_sec) * 1000000000u + uint64_t(ts.tv_nsec);
}

UhidWatchProcess::UhidWatchProcess(std::vector<std::string> args) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    }
    const std::string program = ProgramPath();
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    pid_ = ::fork();
    if (pid_ < 0) {
        throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    }
    if (pid_ == 0) {
        ::dup2(fds[1], STDOUT_FILENO);
        ::dup2(fds[1], STDERR_FILENO);
        ::execvp(argv[0], argv.data());
        // Only async-signal-safe calls between fork and exec: the parent may have threads.
        static const char kCannotRun[] = "cannot run veldrant-uhid-watch\n";
        [[maybe_unused]] ssize_t ignored =
            ::write(STDERR_FILENO, kCannotRun, sizeof kCannotRun - 1);
        ::_exit(127);
    }
    ::close(fds[1]);
    reader_ = std::thread(&UhidWatchProcess::ReadLines, this, fds[0]);
    if (!WaitForLine("created ", kStartLimit)) {
        Stop();
        std::string said;
        for (const auto& l : Lines())
            said += l + "; ";
        throw std::runtime_error("veldrant-uhid-watch did not create its device: " + said);
    }
}

UhidWatchProcess::~UhidWatchProcess() {
    Stop();
}

void UhidWatchProcess::ReadLines(int fd) {
    std::string pending;
    char buf[512];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        pending.append(buf, size_t(n));
        size_t nl;
        while ((nl = pending.find('\n')) != std::string::npos) {
            std::lock_guard lock(mutex_);
            lines_.push_back(pending.substr(0, nl));
            pending.erase(0, nl + 1);
            cv_.notify_all();
        }
    }
    ::close(fd);
    std::lock_guard lock(mutex_);
    if (!pending.empty())
        lines_.push_back(pending);
    eof_ = true;
    cv_.notify_all();
}

std::optional<std::string> UhidWatchProcess::WaitForLine(std::string_view prefix,
                                                         std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    std::optional<std::string> found;
    cv_.wait_for(lock, limit, [&] {
        for (const auto& l : lines_) {
            if (std::string_view(l).starts_with(prefix)) {
                found = l;
                return true;
            }
        }
        return eof_;
    });
    return found;
}

int UhidWatchProcess::Count(std::string_view line) const {
    std::lock_guard lock(mutex_);
    int n = 0;
    for (const auto& l : lines_)
        n += l == line;
    return n;
}

std::vector<std::string> UhidWatchProcess::Lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

int UhidWatchProcess::Stop() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        pid_ = -1;
    }
    if (reader_.joinable())
        reader_.join();
    return status_;
}

}  // namespace veldrant::vmtest
