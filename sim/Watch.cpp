#include "sim/Watch.h"

#include <cstring>

#include "devicelink/Frame.h"

namespace veldrant::sim {

Watch::Watch(WatchOptions options)
    : identity_(g_DeviceTable.at(options.model)),
      reportLength_(options.reportLength),
      payloadSize_(PayloadSizeFor(options.reportLength)) {
    identityService_ = std::make_shared<IdentityService>(identity_, options.version);
    services_.push_back(identityService_);
}

void Watch::AddService(std::shared_ptr<IWatchService> service) {
    std::lock_guard lock(mutex_);
    services_.push_back(std::move(service));
}

void Watch::SetFault(FaultPlan plan) {
    std::lock_guard lock(mutex_);
    fault_ = plan;
    faultSeen_ = 0;
}

void Watch::UnplugAfter(int exchanges) {
    std::lock_guard lock(mutex_);
    unplugAfter_ = exchanges;
}

platform::HidIds Watch::Ids() const {
    return {identity_.wVendorId, identity_.wProductId, identity_.wRelease};
}

WatchStats Watch::Stats() const {
    std::lock_guard lock(mutex_);
    return stats_;
}

// The watch takes only whole, intact frames of type 1; anything else it ignores.
bool Watch::Accept(const uint8_t* r, size_t length) const {
    if (length != reportLength_ || !FrameFits(reportLength_))
        return false;
    FrameView v = FrameView::For(payloadSize_);
    if (r[v.start] != kStartMarker || r[v.end] != kEndMarker)
        return false;
    uint16_t crc = Crc16(r + v.type, r + v.crcHigh);
    if (crc != (r[v.crcHigh] << 8 | r[v.crcLow]))
        return false;
    return r[v.type] == kTypeRequest;
}

Action Watch::Process(const uint8_t* report, size_t length, std::vector<uint8_t>& out) {
    std::lock_guard lock(mutex_);
    ++stats_.reports;
    if (!Accept(report, length)) {
        ++stats_.rejected;
        return Action::Silent;
    }
    if (unplugAfter_ == 0) {
        unplugAfter_ = -1;
        return Action::Unplug;
    }
    FrameView v = FrameView::For(payloadSize_);
    Request request;
    request.type = report[v.type];
    request.command = report[v.command];
    request.mode = report[v.mode];
    request.value = LoadLe32(report + v.value);
    request.payload = report + kPayloadOffset;
    request.payloadSize = payloadSize_;
    ++stats_.perCode[request.command];

    Reply& reply = scratch_;
    reply.type = 1;
    reply.command = request.command;
    reply.mode = 0;
    reply.value = request.value;
    reply.payload.assign(payloadSize_, 0);
    reply.send = true;
    reply.unplug = false;
    IWatchService* service = nullptr;
    for (const auto& s : services_) {
        if (s->Handles(request.command)) {
            service = s.get();
            break;
        }
    }
    if (!service) {
        ++stats_.unhandled;
        return Action::Silent;
    }
    service->Handle(request, reply);
    if (reply.unplug)
        return Action::Unplug;
    if (!reply.send)
        return Action::Silent;
    bool badCrc = false;
    if (!ApplyFault(request.command, reply, &badCrc))
        return Action::Silent;
    Frame(reply, out);
    if (badCrc)
        out[v.crcLow] ^= 0xFF;
    if (unplugAfter_ > 0)
        --unplugAfter_;
    ++stats_.answered;
    return Action::Reply;
}

// Damages the reply as the fault plan says; false when the watch is to stay silent.
bool Watch::ApplyFault(uint8_t code, Reply& reply, bool* badCrc) {
    if (fault_.fault == Fault::None)
        return true;
    if (fault_.code >= 0 && fault_.code != code)
        return true;
    int index = faultSeen_++;
    if (index < fault_.skip)
        return true;
    if (fault_.times >= 0 && index >= fault_.skip + fault_.times)
        return true;
    ++stats_.faulted;
    switch (fault_.fault) {
        case Fault::None:
            break;
        case Fault::NoAnswer:
            return false;
        case Fault::WrongEcho:
            reply.value += 1;
            break;
        case Fault::WrongCommand:
            reply.command = uint8_t(reply.command + 1);
            break;
        case Fault::BadCrc:
            *badCrc = true;
            break;
        case Fault::Type0:
            reply.type = 0;
            break;
        case Fault::Type3:
            reply.type = 3;
            break;
    }
    return true;
}

void Watch::Frame(const Reply& reply, std::vector<uint8_t>& out) const {
    FrameView v = FrameView::For(payloadSize_);
    out.assign(reportLength_, 0);
    out[v.start] = kStartMarker;
    out[v.type] = reply.type;
    out[v.command] = reply.command;
    out[v.mode] = reply.mode;
    StoreLe32(out.data() + v.value, reply.value);
    std::memcpy(out.data() + kPayloadOffset, reply.payload.data(),
                std::min<size_t>(reply.payload.size(), payloadSize_));
    uint16_t crc = Crc16(out.data() + v.type, out.data() + v.crcHigh);
    out[v.crcHigh] = uint8_t(crc >> 8);
    out[v.crcLow] = uint8_t(crc & 0xFF);
    out[v.end] = kEndMarker;
}

}  // namespace veldrant::sim
