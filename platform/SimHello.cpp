// The hello packet of a simulated interface: the same bytes on every carrier.
#include <cstring>

#include "platform/SimProtocol.h"

namespace veldrant::platform {

namespace {
void Put16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
uint16_t Get16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}
}  // namespace

std::array<uint8_t, kSimHelloSize> EncodeSimHello(const SimHello& hello) {
    std::array<uint8_t, kSimHelloSize> out{};
    std::memcpy(out.data(), kSimHelloMagic.data(), kSimHelloMagic.size());
    uint8_t* p = out.data() + kSimHelloMagic.size();
    Put16(p + 0, hello.vendorId);
    Put16(p + 2, hello.productId);
    Put16(p + 4, hello.release);
    Put16(p + 6, hello.inputLength);
    Put16(p + 8, hello.outputLength);
    return out;
}

std::optional<SimHello> DecodeSimHello(const uint8_t* data, size_t size) {
    if (size != kSimHelloSize)
        return std::nullopt;
    if (std::memcmp(data, kSimHelloMagic.data(), kSimHelloMagic.size()) != 0)
        return std::nullopt;
    const uint8_t* p = data + kSimHelloMagic.size();
    SimHello h;
    h.vendorId = Get16(p + 0);
    h.productId = Get16(p + 2);
    h.release = Get16(p + 4);
    h.inputLength = Get16(p + 6);
    h.outputLength = Get16(p + 8);
    return h;
}

}  // namespace veldrant::platform
