// The frame: CRC-16/XMODEM, the bytes of a request, and which replies are accepted.
#include <cstring>
#include <random>
#include <string>

#include "devicelink/Frame.h"
#include "tests/devicelink/LinkFixture.h"

namespace veldrant::testing {
namespace {

uint16_t Crc(const std::string& s) {
    auto p = reinterpret_cast<const uint8_t*>(s.data());
    return Crc16(p, p + s.size());
}

// The byte-wise formulation, step by step.
uint16_t CrcByteWise(const uint8_t* p, size_t n) {
    uint16_t c = 0;
    for (size_t i = 0; i < n; ++i) {
        c = uint16_t(c << 8 | c >> 8);
        c ^= p[i];
        c ^= uint16_t((c & 0xFF) >> 4);
        c ^= uint16_t(c << 12);
        c ^= uint16_t((c & 0xFF) << 5);
    }
    return c;
}

TEST(Crc16, KnownAnswers) {
    EXPECT_EQ(Crc("123456789"), 0x31C3);
    EXPECT_EQ(Crc("abc"), 0x9DD6);
    EXPECT_EQ(Crc(""), 0);
    const uint8_t b[2] = {1, 2};
    EXPECT_EQ(Crc16(b + 2, b), 0) << "a range with begin past end is empty";
}

TEST(Crc16, AgreesWithTheByteWiseFormulation) {
    std::mt19937 rng(7);
    std::vector<uint8_t> data(4096);
    for (auto& b : data)
        b = uint8_t(rng());
    for (size_t n : {1u, 2u, 63u, 519u, 4096u}) {
        EXPECT_EQ(Crc16(data.data(), data.data() + n), CrcByteWise(data.data(), n)) << n;
    }
}

TEST(FrameSize, PayloadAndFit) {
    EXPECT_EQ(PayloadSizeFor(525), 512u);
    EXPECT_TRUE(FrameFits(525));
    EXPECT_TRUE(FrameFits(64 * 9 + 13));
    EXPECT_FALSE(FrameFits(512)) << "an exact multiple of 64 leaves no room for the frame";
    EXPECT_FALSE(FrameFits(524)) << "12 bytes after the payload are one too few";
    EXPECT_FALSE(FrameFits(77)) << "P = 64 cannot hold the 76-byte identity record";
    EXPECT_TRUE(FrameFits(141));
}

// The worked example: block 0 under code 200 with L = 525, and the same under code 1.
TEST(RequestBytes, Block0UnderCode200And1) {
    OpenLink o(Answer([](const Report& out) { return EchoReply(out); }));
    std::vector<uint8_t> dest(512);
    for (int code : {200, 1}) {
        o.link->m_nCommand = code;
        ASSERT_EQ(o.link->RequestBlock(dest.data(), 0), 1);
        Report r = o.LastWritten();
        ASSERT_EQ(r.size(), 525u);
        EXPECT_EQ(r[0], 0x00);
        EXPECT_EQ(r[1], 0x23);
        EXPECT_EQ(r[2], 0x01);
        EXPECT_EQ(r[3], code);
        EXPECT_EQ(r[4], 0x00);
        for (size_t i = 5; i <= 520; ++i)
            ASSERT_EQ(r[i], 0) << i;
        uint16_t crc = code == 200 ? 0x7D6C : 0xC1D9;
        EXPECT_EQ(r[521], crc >> 8);
        EXPECT_EQ(r[522], crc & 0xFF);
        EXPECT_EQ(r[523], 0x00) << "the reserved byte is never written";
        EXPECT_EQ(r[524], 0x2A);
    }
}

TEST(RequestBytes, ReportOf64kPlus13UsesEveryByte) {
    OpenLink o(Answer([](const Report& out) { return EchoReply(out); }), 589);
    EXPECT_EQ(o.link->m_dwHIDPacketSize, 576u);
    std::vector<uint8_t> dest(576);
    o.link->m_nCommand = 1;
    ASSERT_EQ(o.link->RequestBlock(dest.data(), 3), 1);
    Report r = o.LastWritten();
    ASSERT_EQ(r.size(), 589u);
    EXPECT_EQ(r[588], 0x2A);
    EXPECT_EQ(WordAt(r, 5), 3u);
}

TEST(BuildHeader, StoresTheCodeAndLeavesModeValuePayload) {
    OpenLink o(nullptr);
    uint8_t* out = o.link->m_pOutReport;
    out[4] = 7;
    StoreLe32(out + 5, 0x11223344);
    out[9] = 0x55;
    o.link->BuildHeader(0x1C8);  // only the low 8 bits go into the frame
    EXPECT_EQ(o.link->m_nCommand, 0x1C8);
    EXPECT_EQ(out[3], 0xC8);
    EXPECT_EQ(out[4], 7);
    EXPECT_EQ(LoadLe32(out + 5), 0x11223344u);
    EXPECT_EQ(out[9], 0x55);
    uint16_t crc = Crc16(out + 2, out + 521);
    EXPECT_EQ(out[521] << 8 | out[522], crc);
}

class CheckReplyTest : public ::testing::Test {
protected:
    // Puts `reply` into the input buffer and asks whether it answers `code`.
    int Check(const Report& reply, int code = 200) {
        std::memcpy(o.link->m_pInReport, reply.data(), reply.size());
        o.link->m_nCommand = code;
        return o.link->CheckReply();
    }
    Report Good(uint8_t type = 1) { return BuildFrame(525, type, 200, 0, 0, {9, 8, 7}); }
    OpenLink o{nullptr};
};

TEST_F(CheckReplyTest, AcceptsType1And2Alike) {
    EXPECT_EQ(Check(Good(1)), 1);
    EXPECT_EQ(Check(Good(2)), 1);
    EXPECT_EQ(Check(Good(0)), 0);
    EXPECT_EQ(Check(Good(3)), 0);
}

TEST_F(CheckReplyTest, RejectsBadMarkersAndAnotherCode) {
    Report r = Good();
    r[1] = 0x24;
    EXPECT_EQ(Check(r), 0);
    r = Good();
    r[524] = 0x2B;
    EXPECT_EQ(Check(r), 0);
    EXPECT_EQ(Check(BuildFrame(525, 1, 1, 0, 0)), 0) << "valid frame, other command";
    EXPECT_EQ(Check(Good(), 200 + 256), 0) << "a code of 256 or more is never answered";
}

TEST_F(CheckReplyTest, EveryCoveredByteIsGuardedByTheCrc) {
    for (size_t i = 2; i <= 8 + 512; ++i) {
        Report r = Good();
        r[i] ^= 0x01;
        ASSERT_EQ(Check(r), 0) << "offset " << i;
    }
    Report r = Good();
    r[521] ^= 0x80;
    EXPECT_EQ(Check(r), 0);
}

TEST_F(CheckReplyTest, IgnoresReportIdModeReservedAndTail) {
    Report r = Good();
    r[0] = 0x42;
    r[523] = 0xEE;
    EXPECT_EQ(Check(r), 1);
    r = Good();
    r[4] = 0x99;
    Reseal(r);
    EXPECT_EQ(Check(r), 1) << "any mode byte";
}

TEST_F(CheckReplyTest, ClosedLinkRejects) {
    o.link->Close();
    EXPECT_EQ(o.link->CheckReply(), 0);
    o.link->BuildHeader(5);  // nothing to write into: only the code is kept
    EXPECT_EQ(o.link->m_nCommand, 5);
}

}  // namespace
}  // namespace veldrant::testing
