// libFuzzer target: the firmware image check. The image is the input copied into a buffer of
// exactly its length (so that a read past either end is caught), checked against the identity
// name of every known model and against a name taken from the input, and the result compared
// with the image rules worked out here on their own.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "devicelink/DeviceIdentity.h"
#include "firmware/FirmwareImage.h"
#include "fuzz/FuzzWatch.h"

namespace {

using namespace veldrant;

void Require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "firmware image fuzz: %s\n", what);
        std::abort();
    }
}

uint16_t StoredLowFirst(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

bool Expected(std::string_view name, const uint8_t* image, size_t length) {
    if (name.empty()) {
        if (length < 18)
            return false;
        if (std::memcmp(image + length - 16, "_QMX_WATCH_FW_", 14) != 0)
            return false;
        return fuzz::OracleCrc16(image, length - 18) == StoredLowFirst(image + length - 18);
    }
    if (length < 66)
        return false;
    const uint8_t* field = image + length - 66;
    size_t n = 0;
    while (n < 64 && field[n] != 0)
        ++n;
    if (n == 64 || std::string_view(reinterpret_cast<const char*>(field), n) != name)
        return false;
    return fuzz::OracleCrc16(image, length - 2) == StoredLowFirst(image + length - 2);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first byte says how long a name of the input's own comes first (up to 63 bytes).
    size_t nameLength = size ? std::min<size_t>(data[0] % 64, size - 1) : 0;
    std::string ownName(reinterpret_cast<const char*>(data) + (size ? 1 : 0), nameLength);
    ownName = ownName.substr(0, std::strlen(ownName.c_str()));
    const size_t skip = size ? 1 + nameLength : 0;
    const size_t length = size - skip;
    std::unique_ptr<uint8_t[]> image(new uint8_t[length ? length : 1]);
    std::memcpy(image.get(), data + skip, length);

    for (const DeviceIdentity& row : g_DeviceTable) {
        int got = firmware::CheckFirmwareImage(row.Name(), image.get(), uint32_t(length));
        Require(got == (Expected(row.Name(), image.get(), length) ? 1 : 0),
                "check disagrees with the image rules for a known model");
    }
    int got = firmware::CheckFirmwareImage(ownName, image.get(), uint32_t(length));
    Require(got == (Expected(ownName, image.get(), length) ? 1 : 0),
            "check disagrees with the image rules for the input's name");

    std::string_view field = firmware::NameFieldOf(image.get(), uint32_t(length));
    if (!field.empty()) {
        Require(length >= 66, "a name field in an image shorter than its trailer");
        Require(field.size() < 64 && field.find('\0') == std::string_view::npos,
                "a name field without its NUL inside the field");
        Require(reinterpret_cast<const uint8_t*>(field.data()) == image.get() + length - 66,
                "the name field is not at L-66");
    }
    Require(firmware::CheckFirmwareImage("x", nullptr, 100) == 0, "a missing image passed");
    return 0;
}
