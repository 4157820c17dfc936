#include "sim/uhid/UhidWatch.h"

#include <poll.h>
#include <time.h>

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <stdexcept>

#include "devicelink/DeviceIdentity.h"
#include "sim/uhid/ReportDescriptor.h"

namespace veldrant::sim::uhid {
namespace {

// A vendor-defined device of someone else: the test ids of pid.codes, release 1.00.
constexpr uint16_t kForeignVendor = 0x1209;
constexpr uint16_t kForeignProduct = 0x0001;
constexpr uint16_t kForeignRelease = 0x0100;

uint64_t MonotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint64_t(ts.tv_sec) * 1000000000u + uint64_t(ts.tv_nsec);
}

}  // namespace

UhidParams ParamsFor(const Options& o) {
    const DeviceIdentity& row = g_DeviceTable.at(o.model);
    UhidParams p;
    p.vendorId = o.foreign ? kForeignVendor : row.wVendorId;
    p.productId = o.foreign ? kForeignProduct : row.wProductId;
    p.release = o.foreign ? kForeignRelease : row.wRelease;
    if (o.vendorId)
        p.vendorId = *o.vendorId;
    if (o.productId)
        p.productId = *o.productId;
    if (o.release)
        p.release = *o.release;
    const uint32_t in = o.inputLength.value_or(o.reportLength);
    const uint32_t out = o.outputLength.value_or(o.reportLength);
    p.reportDescriptor = BuildReportDescriptor(in, out);
    if (!o.name.empty()) {
        p.name = o.name;
    } else if (o.foreign) {
        p.name = "Vendor-defined HID device";
    } else {
        p.name = "VELDRANT KVT2700 (row " + std::to_string(o.model) + ")";
    }
    p.phys = "veldrant-uhid-watch";
    return p;
}

UhidWatch::UhidWatch(const Options& options, FILE* status)
    : options_(options), params_(ParamsFor(options)), status_(status) {}

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

int UhidWatch::Run(int stopFd) {
    device_ = std::make_unique<UhidDevice>(options_.node);
    device_->Create(params_);
    Status("created %04X:%04X:%04X in=%u out=%u", params_.vendorId, params_.productId,
           params_.release, options_.inputLength.value_or(options_.reportLength),
           options_.outputLength.value_or(options_.reportLength));

    bool plugged = true;
    while (plugged) {
        pollfd fds[2] = {{device_->Fd(), POLLIN, 0}, {stopFd, POLLIN, 0}};
        const int n = ::poll(fds, stopFd >= 0 ? 2 : 1, -1);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw std::runtime_error(std::string("poll: ") + std::strerror(errno));
        }
        if (stopFd >= 0 && (fds[1].revents & POLLIN)) {
            break;
        }
        UhidEvent event;
        while (plugged && device_->ReadEvent(&event)) {
            plugged = Serve(event);
        }
    }
    device_->Destroy();
    Status("exit reports=%llu answered=%llu", static_cast<unsigned long long>(reports_),
           static_cast<unsigned long long>(answered_));
    return 0;
}

bool UhidWatch::Serve(const UhidEvent& event) {
    switch (event.kind) {
        case UhidEvent::Kind::Open:
            Status("open");
            return true;
        case UhidEvent::Kind::Close:
            Status("close");
            return true;
        case UhidEvent::Kind::GetReport:
            device_->RefuseGetReport(event.requestId);
            return true;
        case UhidEvent::Kind::SetReport:
            device_->RefuseSetReport(event.requestId);
            return true;
        case UhidEvent::Kind::Output:
            break;
        default:
            return true;
    }
    ++reports_;
    if (!watch_)
        return true;
    const Action action = watch_->Process(event.data.data(), event.data.size(), reply_);
    if (action == Action::Reply && !reply_.empty()) {
        // The reply starts with report ID 0; an unnumbered input report goes without it.
        device_->SendInput(reply_.data() + 1, reply_.size() - 1);
        ++answered_;
    }
    if (action == Action::Unplug || unplugRequested_.load()) {
        device_->Destroy();
        Status("unplugged %llu", static_cast<unsigned long long>(MonotonicNs()));
        return false;
    }
    return true;
}

}  // namespace veldrant::sim::uhid
