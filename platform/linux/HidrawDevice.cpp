#include "platform/linux/HidrawDevice.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>

#include "platform/linux/UnixSocket.h"

namespace veldrant::platform::linux_hid {

using linux_fd::CancelEvent;
using linux_fd::Fd;
using linux_fd::WaitResult;

// What the device and its writer thread share; the node closes when both let go.
struct HidrawDevice::Shared {
    Fd fd;
    CancelEvent cancel;
    std::mutex mutex;
    std::condition_variable cv;
    std::vector<uint8_t> job;
    bool pending = false;  // a job waits for the writer
    bool busy = false;     // the writer is inside write()
    bool done = false;
    ssize_t written = 0;
    int error = 0;
    bool cancelled = false;
    bool stuck = false;  // a write missed its deadline
    bool stop = false;
};

namespace {
OpenError OpenErrorFor(int err) {
    switch (err) {
        case EACCES:
        case EPERM:
            return OpenError::PermissionDenied;
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return OpenError::NotFound;
        default:
            return OpenError::Other;
    }
}

IoResult IoResultFor(int err) {
    return err == ENODEV || err == EIO || err == EPIPE || err == ESHUTDOWN ? IoResult::Gone
                                                                           : IoResult::Error;
}
}  // namespace

ReportLengths ReadReportLengths(int fd) {
    int size = 0;
    if (ioctl(fd, HIDIOCGRDESCSIZE, &size) < 0 || size <= 0 || size > HID_MAX_DESCRIPTOR_SIZE) {
        return {};
    }
    hidraw_report_descriptor descriptor{};
    descriptor.size = uint32_t(size);
    if (ioctl(fd, HIDIOCGRDESC, &descriptor) < 0)
        return {};
    return ParseReportDescriptor(descriptor.value, descriptor.size).value_or(ReportLengths{});
}

std::unique_ptr<HidrawDevice> HidrawDevice::Open(const std::string& node, OpenError* error) {
    auto shared = std::make_shared<Shared>();
    shared->fd.Reset(open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC));
    if (!shared->fd) {
        if (error)
            *error = OpenErrorFor(errno);
        return nullptr;
    }
    if (error)
        *error = OpenError::None;
    ReportLengths lengths = ReadReportLengths(shared->fd.Get());
    return std::unique_ptr<HidrawDevice>(new HidrawDevice(std::move(shared), lengths));
}

HidrawDevice::HidrawDevice(std::shared_ptr<Shared> shared, ReportLengths lengths)
    : shared_(std::move(shared)), lengths_(lengths) {
    writer_ = std::thread(WriterLoop, shared_);
}

// A writer stuck in the kernel finishes on its own; the node closes when it lets go.
HidrawDevice::~HidrawDevice() {
    {
        std::lock_guard lock(shared_->mutex);
        shared_->stop = true;
    }
    shared_->cv.notify_all();
    writer_.detach();
}

void HidrawDevice::WriterLoop(std::shared_ptr<Shared> s) {
    std::unique_lock lock(s->mutex);
    for (;;) {
        s->cv.wait(lock, [&] { return s->pending || s->stop; });
        if (s->stop)
            return;
        std::vector<uint8_t> job = std::move(s->job);
        s->pending = false;
        s->busy = true;
        lock.unlock();
        ssize_t n;
        do {
            n = write(s->fd.Get(), job.data(), job.size());
        } while (n < 0 && errno == EINTR);
        int err = n < 0 ? errno : 0;
        lock.lock();
        s->busy = false;
        s->written = n;
        s->error = err;
        s->done = true;
        s->cv.notify_all();
    }
}

void HidrawDevice::Cancel() {
    {
        std::lock_guard lock(shared_->mutex);
        shared_->cancelled = true;
    }
    shared_->cv.notify_all();
    shared_->cancel.Signal();
}

IoResult HidrawDevice::Write(const uint8_t* data, size_t len, std::chrono::milliseconds timeout) {
    Shared& s = *shared_;
    std::unique_lock lock(s.mutex);
    if (s.cancelled || s.stuck)
        return IoResult::Gone;
    s.job.assign(data, data + len);  // the caller may reuse its buffer once this returns
    s.pending = true;
    s.done = false;
    s.cv.notify_all();
    bool finished = s.cv.wait_for(lock, timeout, [&] { return s.done || s.cancelled; });
    if (!s.done) {
        s.stuck = true;  // the write may still go out later: this device is done for
        return finished ? IoResult::Gone : IoResult::Timeout;
    }
    if (s.written == ssize_t(len))
        return IoResult::Ok;
    return s.written < 0 ? IoResultFor(s.error) : IoResult::Error;
}

IoResult HidrawDevice::Read(uint8_t* buf, size_t len, size_t* got,
                            std::chrono::milliseconds timeout) {
    *got = 0;
    if (len == 0)
        return IoResult::Error;
    Shared& s = *shared_;
    // One byte more than asked, so that a report longer than expected shows as such.
    const size_t shift = lengths_.numbered ? 0 : 1;
    scratch_.resize(len + 1);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (timeout.count() > 0) {
            switch (linux_fd::WaitFd(s.fd.Get(), POLLIN, s.cancel, linux_fd::Remaining(deadline),
                                     linux_fd::Hangup::Wins)) {
                case WaitResult::Ready:
                    break;
                case WaitResult::Timeout:
                    return IoResult::Timeout;
                case WaitResult::Cancelled:
                case WaitResult::Hangup:
                    return IoResult::Gone;
                case WaitResult::Error:
                    return IoResult::Error;
            }
        } else {
            std::lock_guard lock(s.mutex);
            if (s.cancelled)
                return IoResult::Gone;
        }
        ssize_t n = read(s.fd.Get(), scratch_.data() + shift, scratch_.size() - shift);
        if (n > 0) {
            scratch_[0] = shift ? 0 : scratch_[0];
            *got = size_t(n) + shift;
            std::memcpy(buf, scratch_.data(), std::min(len, *got));
            return IoResult::Ok;
        }
        if (n == 0)
            return IoResult::Gone;
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN)
            return IoResultFor(errno);
        if (timeout.count() == 0 || linux_fd::Remaining(deadline).count() == 0) {
            return IoResult::Timeout;
        }
    }
}

}  // namespace veldrant::platform::linux_hid
