// The simulated watch's side of a course upload, driven record by record.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "devicelink/Commands.h"
#include "devicelink/Frame.h"
#include "sim/CourseService.h"

namespace veldrant::sim {
namespace {

constexpr uint32_t kP = 64;
using Step = CourseService::Step;

// A course image of `length` bytes that holds together: length field, id, word and CRC.
std::vector<uint8_t> CourseImage(uint32_t length, uint16_t id, uint16_t word = 0x1234) {
    std::vector<uint8_t> image(length);
    for (uint32_t i = 12; i < length; ++i)
        image[i] = uint8_t(i * 31 + id);
    StoreLe32(image.data() + 4, length);
    image[8] = uint8_t(id);
    image[9] = uint8_t(id >> 8);
    image[10] = uint8_t(word);
    image[11] = uint8_t(word >> 8);
    StoreLe32(image.data(), WatchCrc32(image.data() + 4, length - 4));
    return image;
}

class CourseServiceTest : public ::testing::Test {
protected:
    Reply Send(uint8_t mode, uint32_t value, const uint8_t* payload, size_t size) {
        std::vector<uint8_t> buf(kP, 0);
        std::memcpy(buf.data(), payload, std::min<size_t>(size, kP));
        Request rq{1, CMD_COURSE_DATA, mode, value, buf.data(), kP};
        Reply reply;
        reply.command = rq.command;
        reply.value = value;
        reply.payload.assign(kP, 0);
        service.Handle(rq, reply);
        return reply;
    }
    // An argument record; returns the reply word, or nullopt when the exchange would fail.
    std::optional<uint32_t> Args(uint32_t w0, uint32_t w1, uint32_t w2, uint32_t w3) {
        uint8_t words[20] = {};
        StoreLe32(words, w0);
        StoreLe32(words + 4, w1);
        StoreLe32(words + 8, w2);
        StoreLe32(words + 12, w3);
        Reply r = Send(1, 0, words, sizeof words);
        if (!r.send || r.command != CMD_COURSE_DATA)
            return std::nullopt;
        return LoadLe32(r.payload.data());
    }
    // Sends an image in blocks; returns how many were acknowledged.
    uint32_t Blocks(const std::vector<uint8_t>& image) {
        uint32_t acked = 0;
        for (size_t off = 0, n = 0; off < image.size(); off += kP, ++n) {
            Reply r =
                Send(0, uint32_t(n), image.data() + off, std::min<size_t>(kP, image.size() - off));
            if (r.send && r.value == n)
                ++acked;
        }
        return acked;
    }
    std::optional<uint32_t> Begin(const std::vector<uint8_t>& img, uint32_t w3 = 0) {
        uint32_t w2 = uint32_t(img[8] | img[9] << 8) | uint32_t(img[10] | img[11] << 8) << 16;
        return Args(LoadLe32(img.data()), uint32_t(img.size()), w2, w3);
    }
    std::optional<uint32_t> Confirm(const std::vector<uint8_t>& img) {
        return Begin(img, 0xAA55AA55);
    }

    CourseService service;
};

TEST(WatchCrc32, KnownAnswer) {
    const char* digits = "123456789";
    EXPECT_EQ(WatchCrc32(reinterpret_cast<const uint8_t*>(digits), 9), 0x0376E6E7u);
}

TEST_F(CourseServiceTest, KeepsDirectoryAndConfirmedCourses) {
    std::vector<uint8_t> directory(2 * kP + 1, 0x5D);
    EXPECT_EQ(Args(0x55, uint32_t(directory.size()), 0, 0), 0u);
    EXPECT_EQ(Blocks(directory), 3u);
    auto course = CourseImage(200, 4711);
    EXPECT_EQ(Begin(course), 0u);
    EXPECT_EQ(Blocks(course), 4u);
    EXPECT_EQ(Confirm(course), 0xBBBBBBBBu);
    EXPECT_EQ(Args(0, 0, 0, 51), 0u);
    auto s = service.Snapshot();
    EXPECT_TRUE(s.directoryComplete);
    EXPECT_EQ(s.directory, directory);
    ASSERT_EQ(s.courses.count(4711), 1u);
    EXPECT_EQ(s.courses[4711], course);
    EXPECT_EQ(s.ends, 1u);
}

TEST_F(CourseServiceTest, ConfirmNeedsTheWholeIntactImage) {
    auto course = CourseImage(300, 12);
    Begin(course);
    auto part = course;
    part.resize(2 * kP);
    Blocks(part);
    EXPECT_EQ(Confirm(course), 0u) << "blocks missing";

    auto damaged = course;
    damaged[150] ^= 0x40;  // CRC no longer matches
    Begin(course);
    Blocks(damaged);
    EXPECT_EQ(Confirm(course), 0u);

    auto wrongLength = CourseImage(300, 12);
    StoreLe32(wrongLength.data() + 4, 299);
    StoreLe32(wrongLength.data(), WatchCrc32(wrongLength.data() + 4, 296));
    Begin(wrongLength);
    Blocks(wrongLength);
    EXPECT_EQ(Confirm(wrongLength), 0u) << "length field says 299";

    Begin(course);
    Blocks(course);
    EXPECT_EQ(Confirm(course), 0xBBBBBBBBu);
    EXPECT_EQ(service.Snapshot().badImages, 2u);
}

TEST_F(CourseServiceTest, PoliciesDeclineAndAnswerConfirmsWrongly) {
    CoursePolicy policy;
    policy.declineIds = {7};
    policy.wrongConfirms = 1;
    service.SetPolicy(policy);
    auto declined = CourseImage(100, 7);
    EXPECT_EQ(Begin(declined), 0xAAAAAAAAu);
    EXPECT_EQ(Blocks(declined), 0u) << "no transfer is open after a decline";
    auto course = CourseImage(100, 8);
    Begin(course);
    Blocks(course);
    EXPECT_EQ(Confirm(course), 0u) << "answered wrongly once";
    Begin(course);
    Blocks(course);
    EXPECT_EQ(Confirm(course), 0xBBBBBBBBu);
    auto s = service.Snapshot();
    EXPECT_EQ(s.courses.count(7), 0u);
    EXPECT_EQ(s.acceptedCourses, 1u);
}

TEST_F(CourseServiceTest, GolfCourseZeroIsKeptWithoutConfirm) {
    auto course = CourseImage(70, 0, 0);
    EXPECT_EQ(Begin(course), 0u);
    EXPECT_EQ(Blocks(course), 2u);
    EXPECT_EQ(service.Snapshot().courses.count(0), 1u);
}

TEST_F(CourseServiceTest, FailsTheChosenBlock) {
    CoursePolicy policy;
    policy.failBlock = BlockFault{true, 0, 1, 9};
    service.SetPolicy(policy);
    std::vector<uint8_t> directory(3 * kP, 1);
    Args(0x55, uint32_t(directory.size()), 0, 0);
    EXPECT_EQ(Blocks(directory), 1u) << "block 1 refused, then 2 out of order";
    for (int i = 0; i < 8; ++i) {
        Reply r = Send(0, 1, directory.data() + kP, kP);
        EXPECT_NE(r.value, 1u);
    }
    Reply tenth = Send(0, 1, directory.data() + kP, kP);
    EXPECT_EQ(tenth.value, 1u) << "the tenth try";
}

TEST_F(CourseServiceTest, RefusesOversizeBeginsAndUnknownRecords) {
    EXPECT_FALSE(Args(0x55, 131073, 0, 0).has_value());
    EXPECT_FALSE(Args(0x55, 0, 0, 0).has_value());
    EXPECT_FALSE(Args(1, 2, 3, 4).has_value());
    EXPECT_TRUE(Args(0x55, 131072, 0, 0).has_value());
}

}  // namespace
}  // namespace veldrant::sim
