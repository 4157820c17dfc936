// The requests as signals, taken by sigtimedwait only: they are blocked before any thread starts
// so that every thread inherits the mask.
#include <pthread.h>
#include <signal.h>

#include "platform/ControlRequests.h"

namespace veldrant::platform {

struct CControlRequests::Impl {
    sigset_t signals;
};

CControlRequests::CControlRequests() : impl_(std::make_unique<Impl>()) {
    sigemptyset(&impl_->signals);
    for (int s : {SIGINT, SIGTERM, SIGUSR1, SIGUSR2})
        sigaddset(&impl_->signals, s);
    pthread_sigmask(SIG_BLOCK, &impl_->signals, nullptr);
}

CControlRequests::~CControlRequests() = default;

ControlRequest CControlRequests::Wait(std::chrono::milliseconds timeout) {
    timespec tick{time_t(timeout.count() / 1000), long(timeout.count() % 1000) * 1000 * 1000};
    switch (sigtimedwait(&impl_->signals, nullptr, &tick)) {
        case SIGINT:
        case SIGTERM:
            return ControlRequest::Stop;
        case SIGUSR1:
            return ControlRequest::Unplug;
        case SIGUSR2:
            return ControlRequest::Plug;
        default:
            return ControlRequest::None;
    }
}

std::string CControlRequests::HowToUnplug() {
    return "SIGUSR1 unplugs the watch, SIGUSR2 plugs it in again.";
}

}  // namespace veldrant::platform
