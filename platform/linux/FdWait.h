// Waiting on a file descriptor with a deadline and a cancel event (an eventfd that, once
// signalled, stays signalled). Used by the transports so that Cancel ends a wait at once.
#pragma once

#include <poll.h>

#include <chrono>

namespace veldrant::platform::linux_fd {

class CancelEvent {
public:
    CancelEvent();
    ~CancelEvent();
    CancelEvent(const CancelEvent&) = delete;
    CancelEvent& operator=(const CancelEvent&) = delete;

    bool Valid() const { return fd_ >= 0; }
    int Fd() const { return fd_; }
    // Makes every wait on this event end; stays signalled.
    void Signal();

private:
    int fd_ = -1;
};

enum class WaitResult {
    Ready,      // the requested event is there
    Timeout,    // the deadline passed
    Cancelled,  // the cancel event was signalled
    Hangup,     // POLLERR, POLLHUP or POLLNVAL without the requested event
    Error,
};

enum class Hangup {
    AfterData,  // sockets: queued packets are still read; the read then sees the end
    Wins,       // hidraw: POLLERR, POLLHUP or POLLNVAL means the device is gone
};

// Waits until `fd` shows `events` (POLLIN or POLLOUT), the cancel event is signalled or the
// time-out passes. A time-out of 0 only looks. Restarts after signals with what remains.
WaitResult WaitFd(int fd, short events, const CancelEvent& cancel,
                  std::chrono::milliseconds timeout, Hangup hangup = Hangup::AfterData);

// Remaining milliseconds until `deadline`, 0 when it has passed.
std::chrono::milliseconds Remaining(std::chrono::steady_clock::time_point deadline);

}  // namespace veldrant::platform::linux_fd
