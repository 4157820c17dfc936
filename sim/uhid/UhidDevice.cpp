#include "sim/uhid/UhidDevice.h"

#include <fcntl.h>
#include <linux/input.h>
#include <linux/uhid.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace veldrant::sim::uhid {
namespace {

std::runtime_error SystemError(const std::string& what) {
    return std::runtime_error(what + ": " + std::strerror(errno));
}

void CopyText(uint8_t* dest, size_t capacity, const std::string& text) {
    const size_t n = std::min(text.size(), capacity - 1);
    std::memcpy(dest, text.data(), n);
    dest[n] = 0;
}

// uhid_event is over 4 KiB: keep it off the stack.
std::unique_ptr<uhid_event> NewEvent(uint32_t type) {
    auto ev = std::make_unique<uhid_event>();
    std::memset(ev.get(), 0, sizeof(uhid_event));
    ev->type = type;
    return ev;
}

}  // namespace

UhidDevice::UhidDevice(const std::string& node) {
    fd_ = ::open(node.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) {
        throw SystemError("cannot open " + node +
                          (errno == ENOENT ? " (is the uhid module loaded?)" : ""));
    }
}

UhidDevice::~UhidDevice() {
    try {
        Destroy();
    } catch (const std::exception&) {
        // Closing the file removes the device as well.
    }
    ::close(fd_);
}

void UhidDevice::Send(const void* event) {
    for (;;) {
        const ssize_t n = ::write(fd_, event, sizeof(uhid_event));
        if (n == ssize_t(sizeof(uhid_event))) {
            return;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        throw SystemError("uhid write");
    }
}

void UhidDevice::Create(const UhidParams& params) {
    if (params.reportDescriptor.size() > HID_MAX_DESCRIPTOR_SIZE) {
        throw std::invalid_argument("report descriptor too long");
    }
    auto ev = NewEvent(UHID_CREATE2);
    auto& c = ev->u.create2;
    CopyText(c.name, sizeof c.name, params.name);
    CopyText(c.phys, sizeof c.phys, params.phys);
    CopyText(c.uniq, sizeof c.uniq, params.uniq);
    c.bus = params.bus ? params.bus : BUS_USB;
    c.vendor = params.vendorId;
    c.product = params.productId;
    c.version = params.release;
    c.country = 0;
    c.rd_size = uint16_t(params.reportDescriptor.size());
    std::memcpy(c.rd_data, params.reportDescriptor.data(), params.reportDescriptor.size());
    Send(ev.get());
    created_ = true;
}

void UhidDevice::Destroy() {
    if (!created_) {
        return;
    }
    created_ = false;
    auto ev = NewEvent(UHID_DESTROY);
    Send(ev.get());
}

bool UhidDevice::ReadEvent(UhidEvent* out) {
    auto ev = NewEvent(0);
    ssize_t n;
    do {
        n = ::read(fd_, ev.get(), sizeof(uhid_event));
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        if (errno == EAGAIN) {
            return false;
        }
        throw SystemError("uhid read");
    }
    *out = UhidEvent{};
    switch (ev->type) {
        case UHID_START:
            out->kind = UhidEvent::Kind::Start;
            break;
        case UHID_STOP:
            out->kind = UhidEvent::Kind::Stop;
            break;
        case UHID_OPEN:
            out->kind = UhidEvent::Kind::Open;
            break;
        case UHID_CLOSE:
            out->kind = UhidEvent::Kind::Close;
            break;
        case UHID_OUTPUT: {
            out->kind = UhidEvent::Kind::Output;
            const size_t size = std::min<size_t>(ev->u.output.size, UHID_DATA_MAX);
            out->data.assign(ev->u.output.data, ev->u.output.data + size);
            break;
        }
        case UHID_GET_REPORT:
            out->kind = UhidEvent::Kind::GetReport;
            out->requestId = ev->u.get_report.id;
            break;
        case UHID_SET_REPORT:
            out->kind = UhidEvent::Kind::SetReport;
            out->requestId = ev->u.set_report.id;
            break;
        default:
            out->kind = UhidEvent::Kind::Other;
            break;
    }
    return true;
}

void UhidDevice::SendInput(const uint8_t* data, size_t size) {
    if (size > UHID_DATA_MAX) {
        throw std::invalid_argument("input report too long");
    }
    auto ev = NewEvent(UHID_INPUT2);
    ev->u.input2.size = uint16_t(size);
    std::memcpy(ev->u.input2.data, data, size);
    Send(ev.get());
}

void UhidDevice::RefuseGetReport(uint32_t requestId) {
    auto ev = NewEvent(UHID_GET_REPORT_REPLY);
    ev->u.get_report_reply.id = requestId;
    ev->u.get_report_reply.err = EIO;
    Send(ev.get());
}

void UhidDevice::RefuseSetReport(uint32_t requestId) {
    auto ev = NewEvent(UHID_SET_REPORT_REPLY);
    ev->u.set_report_reply.id = requestId;
    ev->u.set_report_reply.err = EIO;
    Send(ev.get());
}

}  // namespace veldrant::sim::uhid
