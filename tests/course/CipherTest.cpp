// RC4 and CRC-32/MPEG-2 against their published known answers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "course/CipherKeys.h"
#include "course/Crc32.h"
#include "course/Rc4.h"
#include "tests/course/ImageDecoder.h"

namespace veldrant::course::test {
namespace {

std::vector<uint8_t> Bytes(const std::string& s) {
    return {s.begin(), s.end()};
}

TEST(Rc4, MatchesThePublishedTestVectors) {
    struct Vector {
        const char* key;
        const char* plain;
        std::vector<uint8_t> cipher;
    };
    const Vector vectors[] = {
        {"Key", "Plaintext", {0xBB, 0xF3, 0x16, 0xE8, 0xD9, 0x40, 0xAF, 0x0A, 0xD3}},
        {"Wiki", "pedia", {0x10, 0x21, 0xBF, 0x04, 0x20}},
        {"Secret",
         "Attack at dawn",
         {0x45, 0xA0, 0x1F, 0x64, 0x5F, 0xC3, 0x5B, 0x38, 0x35, 0x52, 0x54, 0x4B, 0x9B, 0xF5}},
    };
    for (const Vector& v : vectors) {
        std::vector<uint8_t> data = Bytes(v.plain);
        Rc4(Bytes(v.key)).Apply(data);
        EXPECT_EQ(data, v.cipher) << v.key;
        Rc4(Bytes(v.key)).Apply(data);
        EXPECT_EQ(data, Bytes(v.plain)) << v.key;
    }
}

TEST(Rc4, AStreamContinuedOverTwoRangesEqualsOneRunOverBoth) {
    const std::vector<uint8_t> key = Bytes("0123456789abcdef");
    std::vector<uint8_t> whole(300, 0x5A);
    std::vector<uint8_t> split = whole;
    Rc4(key).Apply(whole);
    Rc4 stream(key);
    stream.Apply(std::span(split).first(112));
    stream.Apply(std::span(split).subspan(112));
    EXPECT_EQ(split, whole);
    // A fresh stream over the second range gives other bytes.
    std::vector<uint8_t> fresh(300, 0x5A);
    Rc4(key).Apply(std::span(fresh).first(112));
    Rc4(key).Apply(std::span(fresh).subspan(112));
    EXPECT_NE(fresh, whole);
}

TEST(Rc4, FreshStreamsOfOneKeyEachEqualANewStreamOverTheirRange) {
    const std::vector<uint8_t> key = Bytes("fedcba9876543210");
    Rc4FreshStreams fresh(key);
    for (size_t length : {5u, 0u, 300u, 17u, 1024u, 1u}) {
        std::vector<uint8_t> want(length), got(length);
        for (size_t i = 0; i < length; ++i)
            want[i] = got[i] = static_cast<uint8_t>(i * 31);
        Rc4(key).Apply(want);
        fresh.Apply(got);
        EXPECT_EQ(got, want) << length;
    }
}

TEST(CipherKeys, AKeyIsTheKindsTextFollowedByTheMembersFirstEightBytes) {
    const std::vector<uint8_t> member = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    for (MemberKind kind : {MemberKind::Index, MemberKind::Append, MemberKind::Picture}) {
        const auto key = MemberKey(kind, member);
        const auto text = KeyText(kind);
        EXPECT_TRUE(std::equal(text.begin(), text.end(), key.begin()));
        EXPECT_TRUE(std::equal(member.begin(), member.begin() + 8, key.begin() + 8));
    }
    const auto a = KeyText(MemberKind::Index), b = KeyText(MemberKind::Append),
               c = KeyText(MemberKind::Picture);
    EXPECT_FALSE(std::equal(a.begin(), a.end(), b.begin()));
    EXPECT_FALSE(std::equal(b.begin(), b.end(), c.begin()));
    EXPECT_FALSE(std::equal(a.begin(), a.end(), c.begin()));
}

TEST(Crc32Mpeg2, CheckValueAndAgreementWithABitwiseComputation) {
    const std::vector<uint8_t> digits = Bytes("123456789");
    EXPECT_EQ(Crc32Mpeg2(digits), 0x0376E6E7u);
    EXPECT_EQ(BitwiseCrc32Mpeg2(digits), 0x0376E6E7u);
    EXPECT_EQ(Crc32Mpeg2({}), 0xFFFFFFFFu);  // no final XOR
    std::vector<uint8_t> data(1000);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i * 131 + 7);
    for (size_t length = 0; length <= 40; ++length) {
        const auto part = std::span(data).subspan(3, length);  // unaligned starts and tails
        EXPECT_EQ(Crc32Mpeg2(part), BitwiseCrc32Mpeg2(part)) << length;
    }
    EXPECT_EQ(Crc32Mpeg2(data), BitwiseCrc32Mpeg2(data));
    // Continuing a CRC over a second part equals one run over both.
    EXPECT_EQ(Crc32Mpeg2(std::span(data).subspan(400), Crc32Mpeg2(std::span(data).first(400))),
              Crc32Mpeg2(data));
}

}  // namespace
}  // namespace veldrant::course::test
