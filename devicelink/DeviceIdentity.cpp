// The four known watch models. Their ids and names are the real watches' own: a simulated watch
// must present one of these rows.
#include "devicelink/DeviceIdentity.h"

#include <cstring>

namespace veldrant {

namespace {
constexpr DeviceIdentity Row(uint16_t row, uint16_t vendor, uint16_t product, uint16_t release,
                             const char* name) {
    DeviceIdentity id{row, 2, vendor, product, release, 0, {}};
    for (size_t i = 0; name[i] != '\0' && i < sizeof(id.szName); ++i) {
        id.szName[i] = name[i];
    }
    return id;
}
}  // namespace

const std::array<DeviceIdentity, 4> g_DeviceTable = {
    Row(0, 0x10C4, 0x8A3B, 0x0001, ""),
    Row(1, 0x10C4, 0x8A3B, 0x0002, "QMX_KV_WATCH_F"),
    Row(2, 0x10C4, 0x8ADB, 0x0001, "QMX_KV_WATCH_A"),
    Row(3, 0x0483, 0xA1D9, 0x0001, "QMX_KVT_2700"),
};

std::string_view DeviceIdentity::Name() const {
    return std::string_view(szName, strnlen(szName, sizeof(szName)));
}

}  // namespace veldrant
