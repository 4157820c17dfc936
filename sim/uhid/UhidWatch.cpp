#include "sim/uhid/UhidWatch.h"

#include <poll.h>
#include <time.h>

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <stdexcept>

namespace veldrant::sim::uhid {
namespace {

unsigned long long MonotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<unsigned long long>(ts.tv_sec) * 1000000000ull +
           static_cast<unsigned long long>(ts.tv_nsec);
}

}  // namespace

UhidWatch::UhidWatch(const SimConfig& sim, const UhidConfig& uhid, std::shared_ptr<Watch> watch,
                     FILE* status)
    : sim_(sim),
      params_(ParamsFor(sim, uhid)),
      inputLength_(uhid.inputLength.value_or(sim.watch.reportLength)),
      outputLength_(uhid.outputLength.value_or(sim.watch.reportLength)),
      watch_(std::move(watch)),
      status_(status) {
    device_ = std::make_unique<UhidDevice>(uhid.node);
}

void UhidWatch::Status(const char* format, ...) {
    if (!status_)
        return;
    va_list args;
    va_start(args, format);
    std::vfprintf(status_, format, args);
    va_end(args);
    std::fputc('\n', status_);
    std::fflush(status_);
}

void UhidWatch::Plug() {
    device_->Create(params_);
    Status("created %04X:%04X:%04X in=%u out=%u", params_.vendorId, params_.productId,
           params_.release, inputLength_, outputLength_);
}

bool UhidWatch::WaitForStop(int stopFd, int ms) {
    pollfd fd{stopFd, POLLIN, 0};
    for (;;) {
        const int n = ::poll(&fd, 1, ms);
        if (n < 0 && errno == EINTR)
            continue;
        return n > 0;
    }
}

int UhidWatch::Run(int stopFd) {
    Plug();
    for (;;) {
        pollfd fds[2] = {{device_->Fd(), POLLIN, 0}, {stopFd, POLLIN, 0}};
        const int n = ::poll(fds, 2, -1);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw std::runtime_error(std::string("poll: ") + std::strerror(errno));
        }
        if (fds[1].revents & POLLIN)
            break;
        UhidEvent event;
        Served served = Served::Plugged;
        while (served == Served::Plugged && device_->ReadEvent(&event)) {
            served = Serve(event);
        }
        if (served == Served::Plugged)
            continue;
        // Pulled out: gone for good, or back after the replug delay.
        if (sim_.replugMs < 0 || WaitForStop(stopFd, sim_.replugMs))
            break;
        if (watch_)
            watch_->UnplugAfter(sim_.unplugAfter);
        Plug();
    }
    device_->Destroy();
    Status("exit reports=%llu answered=%llu", static_cast<unsigned long long>(reports_),
           static_cast<unsigned long long>(answered_));
    return 0;
}

UhidWatch::Served UhidWatch::Serve(const UhidEvent& event) {
    switch (event.kind) {
        case UhidEvent::Kind::Open:
            Status("open");
            return Served::Plugged;
        case UhidEvent::Kind::Close:
            Status("close");
            return Served::Plugged;
        case UhidEvent::Kind::GetReport:
            device_->RefuseGetReport(event.requestId);
            return Served::Plugged;
        case UhidEvent::Kind::SetReport:
            device_->RefuseSetReport(event.requestId);
            return Served::Plugged;
        case UhidEvent::Kind::Output:
            break;
        default:
            return Served::Plugged;
    }
    ++reports_;
    if (!watch_)
        return Served::Plugged;
    const Action action = watch_->Process(event.data.data(), event.data.size(), reply_);
    if (action == Action::Reply && !reply_.empty()) {
        // The reply starts with report ID 0; an unnumbered input report goes without it.
        device_->SendInput(reply_.data() + 1, reply_.size() - 1);
        ++answered_;
    }
    if (action != Action::Unplug)
        return Served::Plugged;
    // Destroyed while the host waits for this request's reply, as a cable pulled mid-transfer.
    // The time is taken first: the host's wait may end while the kernel is still tearing down.
    const unsigned long long when = MonotonicNs();
    device_->Destroy();
    Status("unplugged %llu", when);
    return Served::Unplugged;
}

}  // namespace veldrant::sim::uhid
