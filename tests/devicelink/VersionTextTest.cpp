#include <gtest/gtest.h>

#include "devicelink/VersionText.h"

namespace veldrant {
namespace {

TEST(VersionText, TwoAndThreePartForms) {
    uint8_t b[11] = {};
    b[8] = 5;
    b[9] = 1;
    b[10] = 0x7B;
    EXPECT_EQ(FirmwareVersionText(b), "ファームウェアバージョン 1.05");
    b[10] = 7;
    EXPECT_EQ(FirmwareVersionText(b), "ファームウェアバージョン 1.05.007");
    b[8] = 255;
    b[9] = 200;
    b[10] = 0x7A;
    EXPECT_EQ(FirmwareVersionText(b), "ファームウェアバージョン 200.255.122")
        << "bytes are unsigned";
}

}  // namespace
}  // namespace veldrant
