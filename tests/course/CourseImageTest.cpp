// The course image's layout at its edges: the smallest image, the pool and image limits, the
// 16-bit offsets, the CRC, and a buffer that is left zero past the image.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "course/Bytes.h"
#include "course/CourseImages.h"
#include "tests/course/ImageDecoder.h"
#include "tests/course/PackageFixture.h"

namespace veldrant::course::test {
namespace {

using ::testing::HasSubstr;

IndexData OneBlock(GolfCourseBlock block) {
    IndexData index;
    index.courses.resize(1);
    index.blocks = {std::move(block)};
    return index;
}

TEST(CourseImage, NoItemsLinksOrPicturesIsTheHeaderAndTheNamePaddedToEvenLength) {
    GolfCourseBlock b;
    b.id = 0x1234;
    b.name = "ab";
    b.courseWord = 0xBEEF;
    b.value1 = 0x01020304;
    b.value2 = 0x05060708;
    b.courseByte = 9;
    ImageBuffers buf;
    std::fill(buf.image.begin(), buf.image.end(), 0xCD);
    ImageResult r = BuildCourseImage(OneBlock(b), AppendData{}, 0, nullptr, buf.image, buf.pool);
    ASSERT_EQ(r.length, 52u) << r.error;
    std::vector<uint8_t> want = {0, 0,  0, 0,  52, 0, 0,  0, 0x34, 0x12, 0xEF, 0xBE, 0,
                                 0, 0,  0, 4,  3,  2, 1,  8, 7,    6,    5,    9,    0,
                                 0, 0,  0, 0,  0,  0, 48, 0, 52,   0,    52,   0,    52,
                                 0, 52, 0, 52, 0,  0, 0,  0, 0,    'a',  'b',  0,    0};
    PutLe32(want, 0, BitwiseCrc32Mpeg2(std::span(want).subspan(4)));
    EXPECT_EQ(std::vector<uint8_t>(buf.image.begin(), buf.image.begin() + 52), want);
    EXPECT_TRUE(std::all_of(buf.image.begin() + 52, buf.image.end(), [](uint8_t v) { return !v; }));
    // An odd name needs no pad: "abc" and its NUL are four bytes already.
    b.name = "abc";
    EXPECT_EQ(BuildCourseImage(OneBlock(b), AppendData{}, 0, nullptr, buf.image, buf.pool).length,
              52u);
}

TEST(CourseImage, ThePoolIsLimitedByItsBufferAndByTheSixteenBitOffsetsBehindIt) {
    GolfCourseBlock b;
    ImageBuffers buf;
    // 48 + 65,486: the item list, tables and picture section start at 65,534.
    b.name = std::string(65485, 'n');
    ImageResult r = BuildCourseImage(OneBlock(b), AppendData{}, 0, nullptr, buf.image, buf.pool);
    ASSERT_EQ(r.length, 48u + 65486) << r.error;
    DecodedCourse decoded;
    EXPECT_EQ(DecodeCourse(buf.image, r.length, decoded), "");
    EXPECT_EQ(Le16(buf.image, 42), 65534);
    // Two bytes more and the offsets would pass 65,535.
    b.name = std::string(65487, 'n');
    r = BuildCourseImage(OneBlock(b), AppendData{}, 0, nullptr, buf.image, buf.pool);
    EXPECT_FALSE(r);
    EXPECT_THAT(r.error, HasSubstr("16-bit offsets"));
    // A name that fills the pool, and one more text that does not fit it.
    b.name = std::string(65535, 'n');
    b.items.resize(1);
    r = BuildCourseImage(OneBlock(b), AppendData{}, 0, nullptr, buf.image, buf.pool);
    EXPECT_FALSE(r);
    EXPECT_THAT(r.error, HasSubstr("65,536-byte pool"));
    EXPECT_TRUE(std::all_of(buf.image.begin(), buf.image.end(), [](uint8_t v) { return !v; }));
}

// A block of `items` items of 9 holes, each hole with `entries` entries in arrays 2 and 3.
GolfCourseBlock BigBlock(size_t items, size_t entries, std::vector<uint8_t>& arrays) {
    arrays.assign(entries * 12, 0x77);
    GolfCourseBlock b;
    b.name = "big";
    b.items.resize(items);
    for (Item& item : b.items) {
        item.holes.resize(9);
        for (Hole& h : item.holes) {
            h.head = {
                2, 0, 0, 0, 0, 0, static_cast<uint8_t>(entries), static_cast<uint8_t>(entries)};
            h.arrays = arrays;
        }
    }
    return b;
}

TEST(CourseImage, AnImagePastOneHundredThirtyOneThousandSeventyTwoBytesIsRefused) {
    std::vector<uint8_t> arrays;
    ImageBuffers buf;
    // 5 items of 9 holes with 255 + 255 entries: over 700 KB of holes.
    ImageResult r = BuildCourseImage(OneBlock(BigBlock(5, 255, arrays)), AppendData{}, 0, nullptr,
                                     buf.image, buf.pool);
    EXPECT_FALSE(r);
    EXPECT_THAT(r.error, HasSubstr("131,072"));
}

TEST(CourseImage, APictureSectionPastSixtyFiveThousandFiveHundredThirtyFiveIsRefused) {
    std::vector<uint8_t> arrays;
    ImageBuffers buf;
    // 3 items × 9 holes × (26 + 12·200) bytes = 65,502 bytes of holes, plus 30 of items, plus
    // the 48-byte header: the picture section would start at 65,584.
    GolfCourseBlock b = BigBlock(3, 200, arrays);
    ImageResult r = BuildCourseImage(OneBlock(b), AppendData{}, 0, nullptr, buf.image, buf.pool);
    EXPECT_FALSE(r);
    EXPECT_THAT(r.error, HasSubstr("16-bit offsets"));
    b.items[2].holes.resize(8);  // 2,426 bytes less: the section starts below 65,536
    r = BuildCourseImage(OneBlock(b), AppendData{}, 0, nullptr, buf.image, buf.pool);
    ASSERT_TRUE(r) << r.error;
    DecodedCourse decoded;
    EXPECT_EQ(DecodeCourse(buf.image, r.length, decoded), "");
}

TEST(CourseImage, PicturesThatOverfillTheImageAreRefused) {
    std::vector<uint8_t> pixels(32 * 255, 0xF0);
    PictureFile pictures;
    pictures.itemCount = 5;
    pictures.slots.resize(45);
    for (PictureSlot& s : pictures.slots) {
        s.kind = 2;
        s.hasPicture = true;
        s.picture = {255, 255, 32, 32, pixels};
    }
    std::vector<uint8_t> arrays;
    GolfCourseBlock b = BigBlock(2, 0, arrays);
    ImageBuffers buf;
    ImageResult r = BuildCourseImage(OneBlock(b), AppendData{}, 0, &pictures, buf.image, buf.pool);
    EXPECT_FALSE(r);  // 18 pictures of 8,162 bytes
    EXPECT_THAT(r.error, HasSubstr("131,072"));
    b.items.resize(1);
    b.items[0].holes.resize(2);
    r = BuildCourseImage(OneBlock(b), AppendData{}, 0, &pictures, buf.image, buf.pool);
    ASSERT_TRUE(r) << r.error;
    DecodedCourse decoded;
    ASSERT_EQ(DecodeCourse(buf.image, r.length, decoded), "");
    ASSERT_EQ(decoded.pictures.size(), 2u);
    EXPECT_EQ(decoded.items[0].holes[1].pictureOffset, (2 + 32 * 255) / 2);
    EXPECT_EQ(decoded.pictures[1].rows[254], std::vector<uint8_t>(32, 0xF0));
}

TEST(CourseImage, AskingForAGolfCourseTheIndexDoesNotHaveIsAnError) {
    ImageBuffers buf;
    ImageResult r = BuildCourseImage(IndexData{}, AppendData{}, 0, nullptr, buf.image, buf.pool);
    EXPECT_FALSE(r);
    EXPECT_THAT(r.error, HasSubstr("no golf course number 0"));
    std::vector<uint8_t> small(100);
    EXPECT_FALSE(BuildCourseImage(OneBlock({}), AppendData{}, 0, nullptr, small, buf.pool));
}

}  // namespace
}  // namespace veldrant::course::test
