#include "platform/linux/FdWait.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace veldrant::platform::linux_fd {

CancelEvent::CancelEvent() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

CancelEvent::~CancelEvent() {
    if (fd_ >= 0)
        close(fd_);
}

void CancelEvent::Signal() {
    uint64_t one = 1;
    // The counter only grows; nobody reads it, so it stays readable.
    ssize_t n = write(fd_, &one, sizeof(one));
    (void)n;
}

std::chrono::milliseconds Remaining(std::chrono::steady_clock::time_point deadline) {
    auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? left : std::chrono::milliseconds(0);
}

WaitResult WaitFd(int fd, short events, const CancelEvent& cancel,
                  std::chrono::milliseconds timeout, Hangup hangup) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        pollfd fds[2] = {{fd, events, 0}, {cancel.Fd(), POLLIN, 0}};
        int wait = int(Remaining(deadline).count());
        int n = poll(fds, cancel.Valid() ? 2 : 1, wait);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return WaitResult::Error;
        }
        if (cancel.Valid() && (fds[1].revents & POLLIN))
            return WaitResult::Cancelled;
        const short gone = POLLERR | POLLHUP | POLLNVAL;
        if (hangup == Hangup::Wins && (fds[0].revents & gone))
            return WaitResult::Hangup;
        if (fds[0].revents & events)
            return WaitResult::Ready;
        if (fds[0].revents & gone)
            return WaitResult::Hangup;
        if (n == 0 || wait == 0)
            return WaitResult::Timeout;
    }
}

}  // namespace veldrant::platform::linux_fd
