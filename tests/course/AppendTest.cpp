// The append file: sections found by kind (the last of each kind kept), link entries and their
// records checked against the section, and the course image's link data built from them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "course/Bytes.h"
#include "course/CoursePackage.h"
#include "tests/course/ImageDecoder.h"
#include "tests/course/PackageFixture.h"

namespace veldrant::course::test {
namespace {

using ::testing::HasSubstr;

// An append file in clear, written here byte by byte rather than by the package writer.
struct AppendFile {
    std::vector<std::pair<uint32_t, std::vector<uint8_t>>> sections;

    static std::vector<uint8_t> Names(std::initializer_list<const char*> texts) {
        std::vector<uint8_t> out;
        for (const char* t : texts) {
            std::vector<uint8_t> entry(50, 0);
            std::copy(t, t + std::strlen(t), entry.begin() + 2);
            out.insert(out.end(), entry.begin(), entry.end());
        }
        return out;
    }
    // One link entry for `id` with `records` of 10 bytes each.
    static std::vector<uint8_t> Links(uint16_t id, const std::vector<std::array<uint8_t, 10>>& r) {
        std::vector<uint8_t> out(16, 0);
        PutLe32(out, 0, 1);
        PutLe32(out, 4, 8);
        PutLe16(out, 8, id);
        PutLe16(out, 10, static_cast<uint16_t>(r.size()));
        for (const auto& rec : r)
            out.insert(out.end(), rec.begin(), rec.end());
        return out;
    }
    std::vector<uint8_t> Bytes() const {
        std::vector<uint8_t> out(16, 0);
        std::fill_n(out.begin(), 8, 0x3C);
        PutLe16(out, 10, static_cast<uint16_t>(sections.size()));
        PutLe32(out, 12, 1);
        for (const auto& [kind, bytes] : sections) {
            std::vector<uint8_t> entry(16, 0);
            PutLe32(entry, 0, kind);
            PutLe32(entry, 8, static_cast<uint32_t>(bytes.size()));
            out.insert(out.end(), entry.begin(), entry.end());
        }
        out.insert(out.end(), 4, 0);
        for (const auto& s : sections)
            out.insert(out.end(), s.second.begin(), s.second.end());
        return out;
    }
};

struct Built {
    bool ok = false;
    std::string error;
    DecodedCourse image;
    ImageBuffers buffers;
    size_t length = 0;
};

// Builds the course image of sample golf course `k` with the given append file in clear.
std::unique_ptr<Built> Build(const std::vector<uint8_t>& appendPlain, size_t k = 0) {
    auto out = std::make_unique<Built>();
    CoursePackage package;
    auto members = BuildPlainMembers(SampleDescription());
    EXPECT_TRUE(package.LoadIndex(Enciphered(members[0])));
    if (!package.LoadAppend(Enciphered({kAppendMemberName, appendPlain}))) {
        out->error = package.LastError();
        return out;
    }
    ImageResult r = BuildCourseImage(package, k, out->buffers.image, out->buffers.pool);
    out->error = r.error;
    out->length = r.length;
    if (r) {
        out->ok = true;
        EXPECT_EQ(DecodeCourse(out->buffers.image, r.length, out->image), "");
    }
    return out;
}

std::array<uint8_t, 10> Record(uint8_t p1, uint8_t p2, uint8_t b0, uint8_t b1, uint8_t a0,
                               uint8_t a1) {
    return {p1, p2, b0, b1, a0, a1, 0x34, 0x12, 0xEE, 0xFF};
}

TEST(AppendFile, TheLastSectionOfEachKindWinsAndOtherKindsAreSkipped) {
    AppendFile f;
    f.sections = {{2, AppendFile::Names({"old0", "old1"})},
                  {1, AppendFile::Names({"b0"})},
                  {9, std::vector<uint8_t>(7, 0xAB)},
                  {2, AppendFile::Names({"a0", "a1"})},
                  {3, AppendFile::Links(1201, {Record(1, 1, 0, 0, 9, 9)})},
                  {3, AppendFile::Links(1201, {Record(2, 3, 0, 0, 1, 0)})}};
    auto b = Build(f.Bytes());
    ASSERT_TRUE(b->ok) << b->error;
    EXPECT_EQ(b->image.namesA, (std::vector<std::string>{"a1", "a0"}));
    EXPECT_EQ(b->image.namesB, (std::vector<std::string>{"b0"}));
    ASSERT_EQ(b->image.links.size(), 1u);
    const uint8_t* rec = b->buffers.image.data() + Le16(b->buffers.image, 40);
    EXPECT_EQ(std::vector<uint8_t>(rec, rec + 10),
              (std::vector<uint8_t>{1, 2, 0, 1, 0, 0, 0x34, 0x12, 0xEE, 0xFF}));
}

TEST(AppendFile, WithoutALinkSectionNoGolfCourseHasLinkData) {
    AppendFile f;
    f.sections = {{2, AppendFile::Names({"a0"})}, {1, AppendFile::Names({"b0"})}};
    for (size_t k = 0; k < 3; ++k) {
        auto b = Build(f.Bytes(), k);
        ASSERT_TRUE(b->ok) << b->error;
        const auto img = std::span<const uint8_t>(b->buffers.image);
        EXPECT_EQ(img[26] | img[27] | img[28], 0);
        EXPECT_EQ(Le16(img, 36), Le16(img, 42));  // empty tables and records
        EXPECT_TRUE(b->image.links.empty());
    }
    // A link section whose entry count is zero or negative holds no entries either.
    std::vector<uint8_t> none(8, 0);
    PutLe32(none, 0, 0xFFFFFFFF);
    f.sections.push_back({3, none});
    auto b = Build(f.Bytes());
    ASSERT_TRUE(b->ok) << b->error;
    EXPECT_TRUE(b->image.links.empty());
}

TEST(AppendFile, LinkRecordsAndEntriesThatDoNotFitAreRefused) {
    auto load = [](const AppendFile& f) {
        CoursePackage package;
        EXPECT_FALSE(package.LoadAppend(Enciphered({kAppendMemberName, f.Bytes()})));
        EXPECT_EQ(package.LastFailure(), ReadFailure::Damaged);
        return package.LastError();
    };
    AppendFile f;
    std::vector<std::array<uint8_t, 10>> many(256, Record(1, 1, 0, 0, 0, 0));
    f.sections = {{3, AppendFile::Links(5, many)}};
    EXPECT_THAT(load(f), HasSubstr("256 link records (at most 255)"));
    many.resize(255);
    f.sections = {{3, AppendFile::Links(5, many)}};
    CoursePackage ok;
    EXPECT_TRUE(ok.LoadAppend(Enciphered({kAppendMemberName, f.Bytes()}))) << ok.LastError();

    auto links = AppendFile::Links(5, {Record(1, 1, 0, 0, 0, 0)});
    links.pop_back();  // the record's last byte missing
    f.sections = {{3, links}};
    EXPECT_THAT(load(f), HasSubstr("run past the link section"));
    links = AppendFile::Links(5, {});
    PutLe32(links, 0, 3);  // three entries, one present
    f.sections = {{3, links}};
    EXPECT_THAT(load(f), HasSubstr("3 link entries run past"));
    links = AppendFile::Links(5, {});
    PutLe32(links, 4, 0xFFFFFFF8);  // entry area size
    f.sections = {{3, links}};
    EXPECT_THAT(load(f), HasSubstr("record area"));
}

TEST(AppendFile, SectionsAndDirectoryThatRunPastTheFileAndOtherFormats) {
    AppendFile f;
    f.sections = {{2, AppendFile::Names({"a"})}};
    auto bytes = f.Bytes();
    bytes.pop_back();
    CoursePackage package;
    EXPECT_FALSE(package.LoadAppend(Enciphered({kAppendMemberName, bytes})));
    EXPECT_THAT(package.LastError(), HasSubstr("section 0 (kind 2, 50 bytes) runs past"));
    bytes = f.Bytes();
    PutLe16(bytes, 10, 40);  // 40 sections: the directory alone is longer than the file
    EXPECT_FALSE(package.LoadAppend(Enciphered({kAppendMemberName, bytes})));
    EXPECT_THAT(package.LastError(), HasSubstr("directory of 40 sections"));
    bytes = f.Bytes();
    PutLe32(bytes, 12, 2);
    EXPECT_FALSE(package.LoadAppend(Enciphered({kAppendMemberName, bytes})));
    EXPECT_EQ(package.LastFailure(), ReadFailure::Format);
    EXPECT_FALSE(package.LoadAppend(std::vector<uint8_t>(15, 0)));
    EXPECT_EQ(package.LastFailure(), ReadFailure::Damaged);
}

TEST(LinkData, ReferencesSevenThreeAndSevenNineGiveListASevenThreeNine) {
    AppendFile f;
    f.sections = {
        {2, AppendFile::Names({"n0", "n1", "n2", "n3", "n4", "n5", "n6", "n7", "n8", "n9"})},
        {1, AppendFile::Names({"b0", "b1", "b2"})},
        {3, AppendFile::Links(1201, {Record(1, 2, 2, 0, 7, 3), Record(3, 4, 0, 1, 7, 9)})}};
    auto b = Build(f.Bytes());
    ASSERT_TRUE(b->ok) << b->error;
    const auto img = std::span<const uint8_t>(b->buffers.image);
    EXPECT_EQ(img[26], 3);
    EXPECT_EQ(b->image.namesA, (std::vector<std::string>{"n7", "n3", "n9"}));
    EXPECT_EQ(img[27], 3);
    EXPECT_EQ(b->image.namesB, (std::vector<std::string>{"b2", "b0", "b1"}));
    EXPECT_EQ(Le16(img, 38) - Le16(img, 36), 6);  // three name A offsets
    const size_t at = Le16(img, 40);
    EXPECT_EQ(std::vector<uint8_t>(img.begin() + at, img.begin() + at + 20),
              (std::vector<uint8_t>{0, 1, 0, 1, 0, 1, 0x34, 0x12, 0xEE, 0xFF,  //
                                    2, 3, 0, 2, 1, 2, 0x34, 0x12, 0xEE, 0xFF}));
}

TEST(LinkData, ASingleRecordReferringToOneAndZeroGivesPositionsZeroAndOne) {
    AppendFile f;
    f.sections = {{2, AppendFile::Names({"zero", "one"})},
                  {1, AppendFile::Names({"b"})},
                  {3, AppendFile::Links(1201, {Record(0, 1, 0, 0, 1, 0)})}};
    auto b = Build(f.Bytes());
    ASSERT_TRUE(b->ok) << b->error;
    EXPECT_EQ(b->image.namesA, (std::vector<std::string>{"one", "zero"}));
    ASSERT_EQ(b->image.links.size(), 1u);
    EXPECT_EQ(b->image.links[0].posA, (std::array<uint8_t, 2>{0, 1}));
    EXPECT_EQ(b->image.links[0].part1, 255);  // part number 0, taken modulo 256
    EXPECT_EQ(b->image.links[0].part2, 0);
}

TEST(LinkData, MissingNameTablesEntriesAndTooManyDistinctNamesRefuseTheImage) {
    AppendFile f;
    f.sections = {{1, AppendFile::Names({"b"})},
                  {3, AppendFile::Links(1201, {Record(1, 1, 0, 0, 0, 0)})}};
    EXPECT_THAT(Build(f.Bytes())->error, HasSubstr("name table A, which the append file lacks"));
    f.sections[0] = {2, AppendFile::Names({"a"})};
    EXPECT_THAT(Build(f.Bytes())->error, HasSubstr("name table B"));
    f.sections = {{2, AppendFile::Names({"a"})},
                  {1, AppendFile::Names({"b"})},
                  {3, AppendFile::Links(1201, {Record(1, 1, 0, 0, 0, 1)})}};
    EXPECT_THAT(Build(f.Bytes())->error, HasSubstr("entry 1 of name table A, which has 1 entries"));

    std::vector<uint8_t> tableA(50 * 101, 0), tableB(50 * 21, 0);
    std::vector<std::array<uint8_t, 10>> records;
    for (uint8_t r = 0; r < 50; ++r)
        records.push_back(Record(1, 1, r % 20, r % 20, 2 * r, 2 * r + 1));
    f.sections = {{2, tableA}, {1, tableB}, {3, AppendFile::Links(1201, records)}};
    auto b = Build(f.Bytes());
    ASSERT_TRUE(b->ok) << b->error;  // 100 distinct A and 20 distinct B fit
    EXPECT_EQ(b->buffers.image[26], 100);
    EXPECT_EQ(b->buffers.image[27], 20);
    records.push_back(Record(1, 1, 0, 0, 100, 0));
    f.sections[2] = {3, AppendFile::Links(1201, records)};
    EXPECT_THAT(Build(f.Bytes())->error, HasSubstr("101 distinct texts of name table A"));
    records.back() = Record(1, 1, 20, 0, 0, 0);
    f.sections[2] = {3, AppendFile::Links(1201, records)};
    EXPECT_THAT(Build(f.Bytes())->error, HasSubstr("21 distinct texts of name table B"));
    // A name table entry whose text has no NUL.
    std::vector<uint8_t> unterminated(50, 'x');
    f.sections = {{2, unterminated},
                  {1, AppendFile::Names({"b"})},
                  {3, AppendFile::Links(1201, {Record(1, 1, 0, 0, 0, 0)})}};
    EXPECT_THAT(Build(f.Bytes())->error, HasSubstr("entry 0 of name table A has no NUL"));
}

}  // namespace
}  // namespace veldrant::course::test
