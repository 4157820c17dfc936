#include "firmware/FirmwareImage.h"

#include <cstring>

#include "devicelink/Frame.h"

namespace veldrant::firmware {

namespace {

uint16_t StoredCrc(const uint8_t* at) {
    return static_cast<uint16_t>(at[0] | (at[1] << 8));  // low byte first, unlike the frame
}

int CheckMarkerForm(const uint8_t* image, uint32_t length) {
    if (length < kMarkerTrailerSize)
        return 0;
    const uint8_t* marker = image + length - kMarkerFromEnd;
    if (std::memcmp(marker, kFirmwareMarker.data(), kFirmwareMarker.size()) != 0)
        return 0;
    const uint8_t* crcAt = image + length - kMarkerTrailerSize;
    return Crc16(image, crcAt) == StoredCrc(crcAt) ? 1 : 0;
}

int CheckNameForm(std::string_view identityName, const uint8_t* image, uint32_t length) {
    std::string_view field = NameFieldOf(image, length);
    if (field != identityName)
        return 0;  // byte for byte, letter case included
    const uint8_t* crcAt = image + length - kNameCrcFromEnd;
    return Crc16(image, crcAt) == StoredCrc(crcAt) ? 1 : 0;
}

}  // namespace

std::string_view NameFieldOf(const uint8_t* image, uint32_t length) {
    if (image == nullptr || length < kNameTrailerSize)
        return {};
    const char* field = reinterpret_cast<const char*>(image + length - kNameTrailerSize);
    const void* nul = std::memchr(field, 0, kNameFieldSize);
    if (nul == nullptr)
        return {};  // the NUL must fall within the field
    return std::string_view(field, static_cast<size_t>(static_cast<const char*>(nul) - field));
}

TrailerReading ReadTrailers(const uint8_t* image, uint32_t length) {
    TrailerReading reading;
    if (image == nullptr)
        return reading;
    if (length >= kMarkerTrailerSize &&
        std::memcmp(image + length - kMarkerFromEnd, kFirmwareMarker.data(),
                    kFirmwareMarker.size()) == 0) {
        const uint8_t* crcAt = image + length - kMarkerTrailerSize;
        reading.marker = TrailerCheck{StoredCrc(crcAt), Crc16(image, crcAt)};
    }
    if (length >= kNameTrailerSize &&
        std::memchr(image + length - kNameTrailerSize, 0, kNameFieldSize) != nullptr) {
        const uint8_t* crcAt = image + length - kNameCrcFromEnd;
        reading.name = TrailerCheck{StoredCrc(crcAt), Crc16(image, crcAt)};
        reading.nameField = NameFieldOf(image, length);
    }
    return reading;
}

int CheckFirmwareImage(std::string_view identityName, const uint8_t* image, uint32_t length) {
    if (image == nullptr)
        return 0;
    if (FormFor(identityName) == FirmwareForm::Marker)
        return CheckMarkerForm(image, length);
    return CheckNameForm(identityName, image, length);
}

}  // namespace veldrant::firmware
