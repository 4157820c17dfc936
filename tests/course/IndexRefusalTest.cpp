// Index files that do not hold together are refused with a message saying what is wrong, and
// never read out of bounds.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "course/Bytes.h"
#include "course/CoursePackage.h"
#include "tests/course/PackageFixture.h"

namespace veldrant::course::test {
namespace {

// Offsets of the sample's index in clear, as the writer lays it out.
constexpr size_t kTable = 128;

std::vector<uint8_t> PlainIndex(const PackageDescription& d) {
    return BuildPlainMembers(d)[0].bytes;
}

// Loads an index in clear after enciphering it; returns the error ("" when it was read).
std::string LoadError(const std::vector<uint8_t>& plain, ReadFailure expected) {
    CoursePackage package;
    if (package.LoadIndex(Enciphered({kIndexMemberName, plain})))
        return "";
    EXPECT_EQ(package.LastFailure(), expected) << package.LastError();
    EXPECT_FALSE(package.HasIndex());
    EXPECT_TRUE(package.Index().courses.empty());
    return package.LastError();
}

using ::testing::HasSubstr;

TEST(IndexRefusal, FormatAndRecordSizeOtherThanTwoAndThirtyTwo) {
    auto m = PlainIndex(SampleDescription());
    PutLe32(m, 12, 3);
    EXPECT_THAT(LoadError(m, ReadFailure::Format), HasSubstr("format 3"));
    m = PlainIndex(SampleDescription());
    PutLe32(m, 24, 33);
    EXPECT_THAT(LoadError(m, ReadFailure::Format), HasSubstr("33 bytes"));
}

TEST(IndexRefusal, TablesAndCountsThatRunPastTheMember) {
    const auto good = PlainIndex(SampleDescription());
    EXPECT_THAT(
        LoadError(std::vector<uint8_t>(good.begin(), good.begin() + 127), ReadFailure::Damaged),
        HasSubstr("128-byte header"));
    auto m = good;
    PutLe32(m, 20, 0x08000000);  // N: 4 GiB of records
    EXPECT_THAT(LoadError(m, ReadFailure::Damaged), HasSubstr("course table"));
    m = good;
    PutLe32(m, 28, 0xFFFFFFF0);  // course table offset
    EXPECT_THAT(LoadError(m, ReadFailure::Damaged), HasSubstr("course table"));
    m = good;
    PutLe32(m, 44, 0x04000001);  // A: 64 * A wraps 32 bits
    EXPECT_THAT(LoadError(m, ReadFailure::Damaged), HasSubstr("area table"));
    m = good;
    PutLe32(m, 52, static_cast<uint32_t>(m.size()) - 63);
    EXPECT_THAT(LoadError(m, ReadFailure::Damaged), HasSubstr("area table"));
}

TEST(IndexRefusal, ADataBlockOutsideTheCourseDataArea) {
    const auto good = PlainIndex(SampleDescription());
    auto m = good;
    PutLe32(m, kTable + 32 * 2 + 24, Le32(m, kTable + 32 * 2 + 24) + 1);  // last block + 1 byte
    EXPECT_THAT(LoadError(m, ReadFailure::Damaged), HasSubstr("course record 2"));
    m = good;
    PutLe32(m, kTable + 32 + 20, 0xFFFFFFFF);  // offset wraps past the data area
    EXPECT_THAT(LoadError(m, ReadFailure::Damaged), HasSubstr("outside the course data area"));
    m = good;
    PutLe32(m, 32, 0xFFFFFF00);  // data area offset
    EXPECT_THAT(LoadError(m, ReadFailure::Damaged), HasSubstr("outside the course data area"));
    m = good;
    PutLe32(m, kTable + 24, 465);  // block shorter than its head
    EXPECT_THAT(LoadError(m, ReadFailure::Damaged), HasSubstr("466-byte head"));
}

TEST(IndexRefusal, ItemHoleAndExtraByteLimits) {
    PackageDescription d = SampleDescription();
    d.golfCourses[1].items.resize(5, MakeItem("X", 1, false, 1));
    EXPECT_EQ(LoadError(PlainIndex(d), ReadFailure::Damaged), "");
    d.golfCourses[1].items.resize(6, MakeItem("X", 1, false, 1));
    EXPECT_THAT(LoadError(PlainIndex(d), ReadFailure::Damaged), HasSubstr("6 items (at most 5)"));

    d = SampleDescription();
    d.golfCourses[2].items[0].holes.resize(9, MakeHole(0, 1, 1, 1, 5));
    EXPECT_EQ(LoadError(PlainIndex(d), ReadFailure::Damaged), "");
    d.golfCourses[2].items[0].holes.resize(10, MakeHole(0, 1, 1, 1, 5));
    EXPECT_THAT(LoadError(PlainIndex(d), ReadFailure::Damaged), HasSubstr("10 holes (at most 9)"));

    d = SampleDescription();
    d.golfCourses[0].items[1].extra = {1, 2, 3, 4};
    EXPECT_EQ(LoadError(PlainIndex(d), ReadFailure::Damaged), "");
    d.golfCourses[0].items[1].extra = {1, 2, 3, 4, 5};
    EXPECT_THAT(LoadError(PlainIndex(d), ReadFailure::Damaged),
                HasSubstr("golf course 1201, item 2: an item has 5 extra bytes"));
}

TEST(IndexRefusal, ItemsAndHolesThatRunPastTheirBlock) {
    PackageDescription d = SampleDescription();
    d.golfCourses = {d.golfCourses[2]};  // one item of two holes
    const auto good = PlainIndex(d);
    const uint32_t length = Le32(good, kTable + 24);
    for (uint32_t cut : {1u, 6u, 24u + 6u, length - 466 - 104}) {
        auto m = good;
        PutLe32(m, kTable + 24, length - cut);
        EXPECT_THAT(LoadError(m, ReadFailure::Damaged), HasSubstr("golf course 2702, item 1"))
            << "cut " << cut;
    }
}

TEST(IndexRefusal, AreaNamesOfFiftyBytesOrMoreAndTextsWithoutTheirNul) {
    PackageDescription d = SampleDescription();
    d.areas[0].name = std::string(49, 'A');
    EXPECT_EQ(LoadError(PlainIndex(d), ReadFailure::Damaged), "");
    d.areas[0].name = std::string(50, 'A');
    EXPECT_THAT(LoadError(PlainIndex(d), ReadFailure::Damaged),
                HasSubstr("area record 0 is 50 bytes or longer"));

    // A golf course name that runs to the end of its block.
    d = SampleDescription();
    d.golfCourses = {GolfCourseDescription{}};
    d.golfCourses[0].name = "x";
    auto m = PlainIndex(d);
    const size_t block = Le32(m, 32);
    std::fill(m.begin() + block + 2, m.end(), 'x');
    EXPECT_THAT(LoadError(m, ReadFailure::Damaged), HasSubstr("golf course name runs"));

    // An item name that fills its 100-byte field.
    d.golfCourses[0].items = {MakeItem("abc", 0, false, 1)};
    m = PlainIndex(d);
    std::fill_n(m.begin() + Le32(m, 32) + 466 + 3 + 2, 100, 'n');
    EXPECT_THAT(LoadError(m, ReadFailure::Damaged), HasSubstr("100-byte field"));
}

TEST(IndexRefusal, AnEmptyIndexIsReadAsNoGolfCourses) {
    PackageDescription d;
    CoursePackage package;
    ASSERT_TRUE(package.LoadIndex(Enciphered({kIndexMemberName, PlainIndex(d)})))
        << package.LastError();
    EXPECT_TRUE(package.Index().courses.empty());
    EXPECT_TRUE(package.Index().areas.empty());
}

}  // namespace
}  // namespace veldrant::course::test
