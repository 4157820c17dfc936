// The four request forms the pages chain into their transfers, and the reply word.
#include <cstring>

#include "devicelink/DeviceLink.h"
#include "devicelink/DeviceLinkImpl.h"

namespace veldrant {

int CDeviceLink::RequestBlock(uint8_t* dest, uint32_t n) {
    return RequestBlockOf(dest, n, std::nullopt);
}

int CDeviceLink::RequestBlock(uint8_t* dest, uint32_t n, uint32_t payloadSize) {
    return RequestBlockOf(dest, n, payloadSize);
}

int CDeviceLink::SendBlock(const uint8_t* src, uint32_t n) {
    return SendBlockOf(src, n, std::nullopt);
}

int CDeviceLink::SendBlock(const uint8_t* src, uint32_t n, uint32_t payloadSize) {
    return SendBlockOf(src, n, payloadSize);
}

// The size is compared inside the request's session, so a Close and a new Discover between a
// caller's own check and the request cannot slip through.
int CDeviceLink::RequestBlockOf(uint8_t* dest, uint32_t n, std::optional<uint32_t> payloadSize) {
    std::lock_guard one(impl_->requestMutex);
    Session s = Snapshot();
    if (!s || (payloadSize && *payloadSize != s.payload))
        return 0;
    const FrameView& v = s.view;
    std::memset(s.out + kPayloadOffset, 0, s.payload);
    s.out[v.mode] = kModeBlock;
    StoreLe32(s.out + v.value, n);
    BuildHeaderOn(s, m_nCommand);
    if (!ExchangeOn(s))
        return 0;
    if (LoadLe32(s.in + v.value) != n)
        return 0;
    std::memcpy(dest, s.in + kPayloadOffset, s.payload);
    return 1;
}

int CDeviceLink::SendBlockOf(const uint8_t* src, uint32_t n, std::optional<uint32_t> payloadSize) {
    std::lock_guard one(impl_->requestMutex);
    Session s = Snapshot();
    if (!s || (payloadSize && *payloadSize != s.payload))
        return 0;
    const FrameView& v = s.view;
    std::memcpy(s.out + kPayloadOffset, src, s.payload);
    s.out[v.mode] = kModeBlock;
    StoreLe32(s.out + v.value, n);
    BuildHeaderOn(s, m_nCommand);
    if (!ExchangeOn(s))
        return 0;
    return LoadLe32(s.in + v.value) == n ? 1 : 0;
}

// The rest of the payload keeps what the previous request left there.
int CDeviceLink::SendArgs(int code, uint32_t args[5]) {
    std::lock_guard one(impl_->requestMutex);
    Session s = Snapshot();
    if (!s)
        return 0;
    const FrameView& v = s.view;
    StoreLe32(s.out + v.value, 0);
    s.out[v.mode] = kModeArgs;
    for (size_t i = 0; i < 5; ++i) {
        StoreLe32(s.out + kPayloadOffset + 4 * i, args[i]);
    }
    BuildHeaderOn(s, code);
    if (!ExchangeOn(s))
        return 0;
    args[0] = LoadLe32(s.in + kPayloadOffset);
    return 1;
}

int CDeviceLink::SendCommand(int code, uint32_t value, std::optional<uint32_t> arg) {
    std::lock_guard one(impl_->requestMutex);
    Session s = Snapshot();
    if (!s)
        return 0;
    const FrameView& v = s.view;
    StoreLe32(s.out + v.value, value);
    s.out[v.mode] = kModeArgs;
    if (arg)
        StoreLe32(s.out + kPayloadOffset, *arg);
    BuildHeaderOn(s, code);
    return ExchangeOn(s);
}

uint32_t CDeviceLink::ReplyWord() const {
    std::lock_guard one(impl_->requestMutex);
    Session s = Snapshot();
    return s ? LoadLe32(s.in + kPayloadOffset) : 0;
}

}  // namespace veldrant
