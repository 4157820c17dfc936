// Picture files: each record on a fresh stream, a table of G items, unusable files meaning "no
// pictures" for the golf course, and the picture section the course image gets from them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "course/Bytes.h"
#include "course/CipherKeys.h"
#include "course/CoursePackage.h"
#include "course/Rc4.h"
#include "tests/course/ImageDecoder.h"
#include "tests/course/ImageExpectations.h"
#include "tests/course/PackageFixture.h"

namespace veldrant::course::test {
namespace {

using ::testing::HasSubstr;

// One golf course (id 500) with one item whose holes carry the given pictures.
PackageDescription OneCourse(std::vector<std::optional<PictureDescription>> pictures) {
    PackageDescription d;
    GolfCourseDescription g;
    g.id = 500;
    g.area = 1;
    g.name = "P";
    ItemDescription item = MakeItem("I", pictures.size(), false, 3);
    for (size_t h = 0; h < pictures.size(); ++h)
        item.holes[h].picture = pictures[h];
    g.items = {item};
    d.golfCourses = {g};
    return d;
}

struct Result {
    bool picturesUsable = false;
    std::string readError;
    ImageResult image;
    DecodedCourse decoded;
    ImageBuffers buffers;
};

// Reads the description's package with its picture member as `picture` (enciphered bytes;
// empty: the writer's own) and builds the course image.
std::unique_ptr<Result> ReadAndBuild(
    const PackageDescription& d, const std::function<void(std::vector<uint8_t>&)>& patchPlain = {},
    std::optional<std::vector<uint8_t>> picture = std::nullopt) {
    auto r = std::make_unique<Result>();
    auto members = BuildPlainMembers(d);
    CoursePackage package;
    EXPECT_TRUE(package.LoadIndex(Enciphered(members[0])));
    EXPECT_TRUE(package.LoadAppend(Enciphered(members[1])));
    const uint16_t id = d.golfCourses[0].id;
    if (!picture && members.size() > 2) {
        if (patchPlain)
            patchPlain(members[2].bytes);
        picture = Enciphered(members[2]);
    }
    if (picture) {
        r->picturesUsable = package.LoadPictures(id, *picture);
        r->readError = package.LastError();
    }
    r->image = BuildCourseImage(package, 0, r->buffers.image, r->buffers.pool);
    EXPECT_TRUE(r->image) << r->image.error;
    EXPECT_EQ(DecodeCourse(r->buffers.image, r->image.length, r->decoded), "");
    return r;
}

std::vector<uint16_t> Offsets(const DecodedCourse& c) {
    std::vector<uint16_t> out;
    for (const auto& item : c.items) {
        for (const auto& h : item.holes)
            out.push_back(h.pictureOffset);
    }
    return out;
}

TEST(Pictures, TwentyOneByThreeTakesElevenBytesAndOnePadSoTheNextStartsAtSix) {
    const PictureDescription a = MakePicture(21, 3, 1), b = MakePicture(8, 1, 2);
    auto r = ReadAndBuild(OneCourse({a, b}));
    ASSERT_TRUE(r->picturesUsable) << r->readError;
    EXPECT_EQ(Offsets(r->decoded), (std::vector<uint16_t>{0, 6}));
    const auto img = std::span<const uint8_t>(r->buffers.image);
    const size_t at = Le16(img, 42);
    std::vector<uint8_t> want = {21, 3};
    for (const auto& row : ExpectedRows(a))
        want.insert(want.end(), row.begin(), row.end());
    want.push_back(0);  // pad
    want.insert(want.end(), {8, 1});
    want.push_back(ExpectedRows(b)[0][0]);
    want.push_back(0);  // pad
    ASSERT_EQ(r->image.length, at + want.size());
    EXPECT_EQ(std::vector<uint8_t>(img.begin() + at, img.begin() + r->image.length), want);
}

TEST(Pictures, AMissingOrUnusablePictureFileGivesEveryHoleFFFFAndNoSection) {
    const auto d = OneCourse({MakePicture(9, 4, 1), std::nullopt, MakePicture(3, 3, 2)});
    auto missing = ReadAndBuild(d, {}, std::vector<uint8_t>{});
    EXPECT_FALSE(missing->picturesUsable);
    auto checkNone = [](const Result& r) {
        EXPECT_EQ(Offsets(r.decoded), (std::vector<uint16_t>{0xFFFF, 0xFFFF, 0xFFFF}));
        EXPECT_EQ(r.decoded.pictureSectionSize, 0u);
    };
    checkNone(*missing);
    // Not read at all (the member is absent from the archive).
    PackageDescription none = d;
    none.golfCourses[0].pictureMember = PictureMember::Never;
    checkNone(*ReadAndBuild(none));

    struct Damage {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> patch;
        const char* message;
    };
    const Damage damages[] = {
        {"format 2", [](auto& m) { PutLe32(m, 12, 2); }, "format 2"},
        {"table past the file", [](auto& m) { PutLe16(m, 16, 2000); }, "picture table of 2000"},
        {"record past the file",
         [](auto& m) { PutLe32(m, 18 + 10 * 8 + 6, Le32(m, 18 + 10 * 8 + 6) + 1); },
         "item 1, hole 9 runs past"},
        {"rows past the record",
         [](auto& m) { PutLe32(m, 18 + 90 + 4, Le32(m, 18 + 90 + 4) + 100); }, "pixel rows run"},
        {"wider than 255", [](auto& m) { PutLe32(m, 18 + 90 + 34, 256); }, "256 by 4 pixels"},
        {"negative height", [](auto& m) { PutLe32(m, 18 + 90 + 38, 0xFFFFFFFC); }, "by -4"},
        {"offset past the file", [](auto& m) { PutLe32(m, 18 + 2, 0x7FFFFFFF); }, "past the end"},
        {"short bitmap header",
         [](auto& m) {
             PutLe32(m, 18 + 10 + 6, 16);
             PutLe32(m, 18 + 10 + 2, 0);
             PutLe32(m, 18 + 90, 2);
         },
         "too short"},
    };
    for (const Damage& dm : damages) {
        auto r = ReadAndBuild(d, dm.patch);
        EXPECT_FALSE(r->picturesUsable) << dm.what;
        EXPECT_THAT(r->readError, HasSubstr(dm.message)) << dm.what;
        EXPECT_THAT(r->readError, HasSubstr("500.k16")) << dm.what;
        checkNone(*r);
    }
}

TEST(Pictures, AFileWithNoItemsGivesNoPicturesButNoFailure) {
    PackageDescription d = OneCourse({MakePicture(9, 4, 1), MakePicture(3, 3, 2)});
    d.golfCourses[0].pictureItems = 0;
    auto r = ReadAndBuild(d);
    ASSERT_TRUE(r->picturesUsable) << r->readError;
    EXPECT_EQ(Offsets(r->decoded), (std::vector<uint16_t>{0, 0}));
    EXPECT_EQ(r->decoded.pictureSectionSize, 0u);
}

TEST(Pictures, RecordsOfAnotherKindAndItemsBeyondTheTableAddNothing) {
    PackageDescription d =
        OneCourse({MakePicture(16, 2, 1), MakePicture(5, 5, 2), MakePicture(8, 3, 3)});
    d.golfCourses[0].items[0].holes[1].picture->kind = 7;
    d.golfCourses[0].items.push_back(MakeItem("second", 2, true, 9));
    d.golfCourses[0].pictureItems = 1;  // the second item's holes are not in the table
    auto r = ReadAndBuild(d);
    ASSERT_TRUE(r->picturesUsable) << r->readError;
    // 16x2: 2 + 4 bytes; the kind-7 record nothing; 8x3: 2 + 3 + pad.
    EXPECT_EQ(Offsets(r->decoded), (std::vector<uint16_t>{0, 3, 3, 6, 6}));
    ExpectCourseMatches(r->decoded, d.golfCourses[0], d, true);
}

TEST(Pictures, ZeroSizedPicturesAndEmptyRecordsAreTakenAsTheyAre) {
    PackageDescription d =
        OneCourse({MakePicture(0, 0, 1), MakePicture(7, 0, 1), MakePicture(3, 1, 1)});
    auto r = ReadAndBuild(d, [](std::vector<uint8_t>& m) {
        // Hole 3's record taken out: its table entry says it is empty (no kind, no picture).
        const size_t area = 18 + 90, at = Le32(m, 18 + 20 + 2), length = Le32(m, 18 + 20 + 6);
        m.erase(m.begin() + area + at, m.begin() + area + at + length);
        PutLe32(m, 18 + 20 + 6, 0);
        for (size_t e = 3; e < 9; ++e) {
            PutLe32(m, 18 + 10 * e + 2, Le32(m, 18 + 10 * e + 2) - static_cast<uint32_t>(length));
        }
    });
    ASSERT_TRUE(r->picturesUsable) << r->readError;
    ASSERT_EQ(r->decoded.pictures.size(), 2u);
    EXPECT_EQ(r->decoded.pictures[0].width, 0);
    EXPECT_EQ(r->decoded.pictures[1].width, 7);
    EXPECT_EQ(r->decoded.pictures[1].height, 0);
    EXPECT_EQ(Offsets(r->decoded), (std::vector<uint16_t>{0, 1, 2}));
}

// Enciphers a picture file in clear with all its records on one stream.
std::vector<uint8_t> OneStreamOverAllRecords(std::vector<uint8_t> m) {
    const size_t g = Le16(m, 16);
    size_t total = 0;
    for (size_t e = 0; e < 9 * g; ++e)
        total += Le32(m, 18 + 10 * e + 6);
    const auto key = MemberKey(MemberKind::Picture, m);
    Rc4 head(key);
    head.Apply(std::span(m).subspan(16, 2 + 90 * g));
    Rc4(key).Apply(std::span(m).subspan(18 + 90 * g, total));
    return m;
}

TEST(Pictures, EachRecordIsReadOnlyWithAFreshStreamOfItsOwn) {
    const PictureDescription a = MakePicture(12, 4, 1), b = MakePicture(12, 4, 2);
    const PackageDescription d = OneCourse({a, b});
    auto good = ReadAndBuild(d);
    ASSERT_TRUE(good->picturesUsable);
    ASSERT_EQ(good->decoded.pictures.size(), 2u);
    EXPECT_EQ(good->decoded.pictures[1].rows, ExpectedRows(b));

    auto plain = BuildPlainMembers(d)[2].bytes;
    auto wrong = ReadAndBuild(d, {}, OneStreamOverAllRecords(plain));
    // The first record starts a stream either way; the second is garbled.
    if (wrong->picturesUsable) {
        ASSERT_GE(wrong->decoded.pictures.size(), 1u);
        EXPECT_EQ(wrong->decoded.pictures[0].rows, ExpectedRows(a));
        const bool second = wrong->decoded.pictures.size() == 2 &&
                            wrong->decoded.pictures[1].rows == ExpectedRows(b);
        EXPECT_FALSE(second);
    }
}

}  // namespace
}  // namespace veldrant::course::test
