// The 76-byte identity record of a known watch model, and the table of known models.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace veldrant {

#pragma pack(push, 1)
struct DeviceIdentity {
    uint16_t wRowNumber;  // 0: accepted without the identity request
    uint16_t wKind;       // 2 in every row
    uint16_t wVendorId;
    uint16_t wProductId;
    uint16_t wRelease;
    uint16_t wPadding;
    char szName[64];  // ASCII, NUL padded; empty in row 0

    std::string_view Name() const;
};
#pragma pack(pop)
static_assert(sizeof(DeviceIdentity) == 76);

extern const std::array<DeviceIdentity, 4> g_DeviceTable;

}  // namespace veldrant
