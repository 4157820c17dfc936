// The directory image: header, default prefecture names and their overrides, golf course list
// by area, initial list by group, bounds, and the 131,072-byte limit.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "course/Bytes.h"
#include "course/CourseImages.h"
#include "course/CoursePackage.h"
#include "tests/course/ImageDecoder.h"
#include "tests/course/ImageExpectations.h"
#include "tests/course/PackageFixture.h"

namespace veldrant::course::test {
namespace {

struct Dir {
    ImageResult result;
    DecodedDirectory decoded;
    std::vector<uint8_t> image = std::vector<uint8_t>(kImageSize, 0xCD);
};

// Reads the description's index and builds its directory image.
Dir Build(const PackageDescription& d) {
    Dir out;
    CoursePackage package;
    EXPECT_TRUE(package.LoadIndex(Enciphered(BuildPlainMembers(d)[0]))) << package.LastError();
    out.result = BuildDirectoryImage(package, out.image);
    if (out.result) {
        EXPECT_EQ(DecodeDirectory(out.image, out.result.length, out.decoded), "");
        ExpectDirectoryMatches(out.decoded, d);
    }
    return out;
}

GolfCourseDescription Course(uint16_t id, uint8_t area, uint8_t initial,
                             std::array<int32_t, 4> bounds = {}) {
    GolfCourseDescription g;
    g.id = id;
    g.area = area;
    g.initial = initial;
    g.bounds = bounds;
    g.name = "c" + std::to_string(id);
    return g;
}

TEST(DirectoryImage, NoGolfCoursesGiveTwelveThousandTwoHundredSixtyTwoBytes) {
    PackageDescription d;
    d.word1 = 0xAAAA;
    d.value3 = 77;
    Dir dir = Build(d);
    ASSERT_TRUE(dir.result) << dir.result.error;
    EXPECT_EQ(dir.result.length, 12262u);
    EXPECT_EQ(dir.decoded.n, 0u);
    EXPECT_EQ(dir.decoded.m, 47u);
    EXPECT_EQ(dir.decoded.areas[0].name, Cp("北海道"));
    EXPECT_EQ(dir.decoded.areas[12].name, Cp("東京都"));
    EXPECT_EQ(dir.decoded.areas[45].name, Cp("鹿児島県"));
    EXPECT_EQ(dir.decoded.areas[46].name, Cp("沖縄県"));
    // The header's first 8 bytes are the index's salt, stored in clear.
    const auto index = BuildPlainMembers(d)[0].bytes;
    EXPECT_TRUE(std::equal(index.begin(), index.begin() + 8, dir.image.begin()));
    EXPECT_EQ(Le16(dir.image, 8), 0xAAAA);
    EXPECT_EQ(Le32(dir.image, 28), 512u);
    EXPECT_EQ(Le32(dir.image, 40), 512u + 20 * 47);
}

TEST(DirectoryImage, GolfCoursesOfAnAreaInIndexOrderAndUnderTheirInitials) {
    PackageDescription d;
    d.golfCourses = {Course(10, 5, 0xB6, {1, 1, 1, 1}), Course(11, 2, 0xB1),
                     Course(12, 5, 0xB1, {-3, 9, -3, 9}), Course(13, 5, 0xB6, {7, -2, 0, -50}),
                     Course(14, 47, 0xDC)};
    Dir dir = Build(d);
    ASSERT_TRUE(dir.result) << dir.result.error;
    EXPECT_EQ(dir.decoded.AreaIds(2), (std::vector<uint16_t>{11}));
    EXPECT_EQ(dir.decoded.AreaIds(5), (std::vector<uint16_t>{10, 12, 13}));
    EXPECT_EQ(dir.decoded.areas[4].bounds, (std::array<int32_t, 4>{7, 9, -3, -50}));
    EXPECT_EQ(dir.decoded.areas[4].firstCourse, 1);
    EXPECT_EQ(dir.decoded.GroupIds(5, 0), (std::vector<uint16_t>{12}));
    EXPECT_EQ(dir.decoded.GroupIds(5, 5), (std::vector<uint16_t>{10, 13}));
    EXPECT_EQ(dir.decoded.GroupIds(47, 43), (std::vector<uint16_t>{14}));
    EXPECT_EQ(dir.decoded.initials, (std::vector<uint16_t>{11, 12, 10, 13, 14}));
}

TEST(DirectoryImage, AnAreaFortyEightFollowsAreaFortySevenAndAnEmptyNameHidesAnArea) {
    PackageDescription d;
    d.areas = {{48, "離島", 4}, {13, "", 3}};
    d.golfCourses = {Course(1, 48, 0xB1), Course(2, 47, 0xB1), Course(3, 13, 0xB1),
                     Course(4, 12, 0xB2), Course(5, 49, 0xB1), Course(6, 0, 0xB1)};
    Dir dir = Build(d);
    ASSERT_TRUE(dir.result) << dir.result.error;
    EXPECT_EQ(dir.decoded.m, 48u);
    EXPECT_EQ(dir.result.length, 512u + 24 * 6 + 250 * 48);
    EXPECT_EQ(dir.decoded.areas[47].name, Cp("離島"));
    EXPECT_EQ(dir.decoded.areas[47].value, 4);
    EXPECT_EQ(dir.decoded.areas[12].name, "");
    EXPECT_EQ(dir.decoded.areas[12].value, 3);
    // Golf courses of area 13 (no name), 49 (above M) and 0 are in neither list; the slots
    // they leave stay zero.
    std::vector<uint16_t> listed;
    for (const auto& c : dir.decoded.courses)
        listed.push_back(c.id);
    EXPECT_EQ(listed, (std::vector<uint16_t>{4, 2, 1, 0, 0, 0}));
    EXPECT_EQ(dir.decoded.initials, (std::vector<uint16_t>{4, 2, 1, 0, 0, 0}));
    EXPECT_EQ(dir.decoded.areas[12].courseCount, 0);
}

TEST(DirectoryImage, ALaterAreaRecordWinsAndAreaCodeZeroIsNoArea) {
    PackageDescription d;
    d.areas = {{3, "一", 1}, {0, "零", 9}, {3, "二", 2}};
    d.golfCourses = {Course(1, 3, 0xB1)};
    Dir dir = Build(d);
    ASSERT_TRUE(dir.result) << dir.result.error;
    EXPECT_EQ(dir.decoded.areas[2].name, Cp("二"));
    EXPECT_EQ(dir.decoded.areas[2].value, 2);
    EXPECT_EQ(dir.decoded.m, 47u);
}

TEST(DirectoryImage, AnImageOverOneHundredThirtyOneThousandSeventyTwoBytesIsRefused) {
    IndexData index;
    index.areas = {{"x", 48, 0}};
    index.courses.resize(4940);  // 512 + 24 * 4940 + 250 * 48 = 131,072
    std::vector<uint8_t> image(kImageSize);
    ImageResult fits = BuildDirectoryImage(index, image);
    EXPECT_EQ(fits.length, kImageSize) << fits.error;
    index.courses.resize(4941);
    ImageResult over = BuildDirectoryImage(index, image);
    EXPECT_FALSE(over);
    EXPECT_THAT(over.error, ::testing::HasSubstr("would be 131096 bytes"));
    index.areas = {{"x", 255, 0}};
    index.courses.clear();
    EXPECT_EQ(BuildDirectoryImage(index, image).length, 512u + 250 * 255);
    std::vector<uint8_t> small(kImageSize - 1);
    EXPECT_FALSE(BuildDirectoryImage(index, small));
}

}  // namespace
}  // namespace veldrant::course::test
