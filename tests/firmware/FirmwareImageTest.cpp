#include "firmware/FirmwareImage.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/firmware/FirmwareImageMaker.h"

namespace veldrant::firmware {
namespace {

using test::MarkerImage;
using test::NameImage;

constexpr std::string_view kWatchF = "QMX_KV_WATCH_F";
constexpr std::string_view kKvt = "QMX_KVT_2700";

int Check(std::string_view name, const std::vector<uint8_t>& image) {
    return CheckFirmwareImage(name, image.data(), static_cast<uint32_t>(image.size()));
}

TEST(FirmwareImage, MarkerFormAcceptsAnyLastTwoBytes) {
    for (uint8_t b : {0x00, 0x5A, 0xFF}) {
        EXPECT_EQ(Check("", MarkerImage(1000, b, uint8_t(~b))), 1) << int(b);
    }
    EXPECT_EQ(Check("", MarkerImage(0)), 1) << "an image that is all trailer";
}

TEST(FirmwareImage, MarkerFormRejectsDamage) {
    auto image = MarkerImage(500);
    auto body = image;
    body[17] ^= 0x01;
    EXPECT_EQ(Check("", body), 0) << "body changed after the CRC was taken";
    auto marker = image;
    marker[image.size() - 16] = '-';
    EXPECT_EQ(Check("", marker), 0) << "marker's first byte";
    marker = image;
    marker[image.size() - 3] = 'f';
    EXPECT_EQ(Check("", marker), 0) << "marker's last byte, letter case";
    auto swapped = image;
    std::swap(swapped[500], swapped[501]);
    ASSERT_NE(swapped[500], swapped[501]);
    EXPECT_EQ(Check("", swapped), 0) << "CRC stored high byte first";
}

TEST(FirmwareImage, NameFormAcceptsNameNulAndArbitraryRest) {
    EXPECT_EQ(Check(kWatchF, NameImage(2000, kWatchF, 0x00)), 1);
    EXPECT_EQ(Check(kWatchF, NameImage(2000, kWatchF, 0xA7)), 1);
    EXPECT_EQ(Check(kKvt, NameImage(0, kKvt, 'X')), 1);
    std::string longest(63, 'N');
    EXPECT_EQ(Check(longest, NameImage(10, longest, 0xEE)), 1) << "63 characters and the NUL";
}

TEST(FirmwareImage, NameFormRejectsOtherNamesAndCase) {
    EXPECT_EQ(Check(kWatchF, NameImage(2000, "qmx_kv_watch_f")), 0);
    EXPECT_EQ(Check(kWatchF, NameImage(2000, "QMX_KV_WATCH_A")), 0);
    EXPECT_EQ(Check(kWatchF, NameImage(2000, "QMX_KV_WATCH_")), 0) << "a prefix of the name";
    EXPECT_EQ(Check("QMX_KV_WATCH", NameImage(2000, kWatchF)), 0) << "the name is a prefix";
}

TEST(FirmwareImage, NameFieldWithoutNulIsRejected) {
    // The field holds 64 name characters: its first characters match the watch's name but
    // the text never ends within the field.
    std::string sixtyFour = std::string(kWatchF) + std::string(64 - kWatchF.size(), 'Z');
    auto image = NameImage(300, sixtyFour);
    EXPECT_EQ(Check(kWatchF, image), 0);
    EXPECT_EQ(Check(sixtyFour, image), 0);
    EXPECT_TRUE(NameFieldOf(image.data(), uint32_t(image.size())).empty());
}

TEST(FirmwareImage, NameFormCrcCoversNameField) {
    auto image = NameImage(300, kWatchF, 0x11);
    image[image.size() - 3] ^= 0x80;  // a byte after the NUL, inside the CRC's range
    EXPECT_EQ(Check(kWatchF, image), 0);
    auto swapped = NameImage(300, kWatchF);
    std::swap(swapped[swapped.size() - 1], swapped[swapped.size() - 2]);
    EXPECT_EQ(Check(kWatchF, swapped), 0) << "CRC stored high byte first";
}

TEST(FirmwareImage, OneFormIsRejectedByAWatchOfTheOther) {
    EXPECT_EQ(Check(kWatchF, MarkerImage(1000)), 0);
    EXPECT_EQ(Check("", NameImage(1000, kWatchF)), 0);
    EXPECT_EQ(Check(kKvt, NameImage(1000, kWatchF)), 0);
}

// Every image too short for its trailer is refused, and the check reads only inside the
// buffer: each image lives in an allocation of exactly its size, which the address sanitizer
// watches on both sides.
TEST(FirmwareImage, ShortImagesAreIncorrectAndNeverReadOutside) {
    for (uint32_t length = 0; length < kNameTrailerSize + 2; ++length) {
        auto exact = std::make_unique<uint8_t[]>(length ? length : 1);
        for (uint32_t i = 0; i < length; ++i)
            exact[i] = uint8_t(i * 7);
        if (length < kMarkerTrailerSize) {
            EXPECT_EQ(CheckFirmwareImage("", exact.get(), length), 0) << length;
        }
        if (length < kNameTrailerSize) {
            EXPECT_EQ(CheckFirmwareImage(kWatchF, exact.get(), length), 0) << length;
        }
    }
    // 16 and 17 bytes with the marker where it belongs: the CRC would sit before offset 0.
    for (uint32_t length : {16u, 17u}) {
        auto exact = std::make_unique<uint8_t[]>(length);
        std::fill(exact.get(), exact.get() + length, uint8_t{0});
        std::copy(kFirmwareMarker.begin(), kFirmwareMarker.end(), exact.get() + length - 16);
        EXPECT_EQ(CheckFirmwareImage("", exact.get(), length), 0) << length;
    }
    EXPECT_EQ(CheckFirmwareImage("", nullptr, 0), 0);
    EXPECT_EQ(CheckFirmwareImage(kWatchF, nullptr, 0), 0);
}

}  // namespace
}  // namespace veldrant::firmware
