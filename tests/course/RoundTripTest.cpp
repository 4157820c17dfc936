// A package written from a description, read back through the zip archive and turned into
// images, carries every field of the description to the watch.
#include <gtest/gtest.h>

#include "course/CourseImages.h"
#include "course/CoursePackage.h"
#include "tests/course/ImageDecoder.h"
#include "tests/course/ImageExpectations.h"
#include "tests/course/PackageFixture.h"

namespace veldrant::course::test {
namespace {

TEST(CourseRoundTrip, EveryFieldOfTheDescriptionReachesTheImages) {
    TempDir dir;
    const PackageDescription d = SampleDescription();
    std::string error;
    ASSERT_TRUE(CheckDescription(d, error)) << error;
    const std::string path = dir.File("sample.zip");
    ASSERT_TRUE(WritePackage(d, path, error)) << error;

    CoursePackage package;
    int zipFailures = 0;
    package.SetZipFailureHandler([&](std::string_view) { ++zipFailures; });
    ASSERT_TRUE(package.Open(path));
    ASSERT_TRUE(package.ReadIndex()) << package.LastError();
    ASSERT_TRUE(package.ReadAppend()) << package.LastError();
    ImageBuffers buffers;

    ImageResult dirImage = BuildDirectoryImage(package, buffers.image);
    ASSERT_TRUE(dirImage) << dirImage.error;
    DecodedDirectory decodedDir;
    ASSERT_EQ(DecodeDirectory(buffers.image, dirImage.length, decodedDir), "");
    ExpectDirectoryMatches(decodedDir, d);
    EXPECT_EQ(decodedDir.AreaIds(13), (std::vector<uint16_t>{1201, 1305}));
    EXPECT_EQ(decodedDir.AreaIds(27), (std::vector<uint16_t>{2799}));

    for (size_t k = 0; k < d.golfCourses.size(); ++k) {
        const GolfCourseDescription& g = d.golfCourses[k];
        const bool hasPictures = package.ReadPictures(g.id);
        EXPECT_EQ(hasPictures, k != 1) << package.LastError();
        ImageResult course = BuildCourseImage(package, k, buffers.image, buffers.pool);
        ASSERT_TRUE(course) << course.error;
        DecodedCourse decoded;
        ASSERT_EQ(DecodeCourse(buffers.image, course.length, decoded), "") << "course " << k;
        ExpectCourseMatches(decoded, g, d, hasPictures);
        EXPECT_EQ(CourseImageCrc(buffers.image), decoded.computedCrc);
        EXPECT_EQ(CourseImageId(buffers.image), g.id);
        EXPECT_EQ(CourseImageWord(buffers.image), g.courseWord);
    }
    EXPECT_EQ(zipFailures, 0);
}

TEST(CourseRoundTrip, JsonDescriptionGivesTheSamePackageAsTheStructure) {
    const char* json = R"({
      "header": {"word1": 1, "word2": 2, "value3": 3},
      "areas": [{"code": 13, "name": "東京", "value": 9}],
      "nameTableA": ["池", "林"], "nameTableB": ["左"],
      "golfCourses": [{
        "id": 77, "area": 13, "initial": "ｶ", "bounds": [4, 3, 2, -1], "name": "テストGC",
        "courseWord": 5, "value1": 6, "value2": 7, "courseByte": 8,
        "items": [{"byte0": 1, "byte1": 2, "extra": [9], "name": "OUT", "holes": [
          {"kind": 1, "bytes": [1, 2, 3, 4], "values": [1, 2, 3, 4, 5, 6, 7, 8],
           "array1": [[1, 2, 3, 4]], "array2": [[5, 6, 7]], "array3": [],
           "picture": {"width": 3, "rows": ["#.#", ".#."]}}]}],
        "links": [{"part1": 1, "part2": 2, "nameA": [1, 0], "nameB": [0, 0], "value": 4,
                   "tail": [5, 6]}]
      }]
    })";
    PackageDescription parsed;
    std::string error;
    ASSERT_TRUE(ParseDescription(json, parsed, error)) << error;

    PackageDescription built;
    built.word1 = 1;
    built.word2 = 2;
    built.value3 = 3;
    built.areas = {{13, "東京", 9}};
    built.nameTableA = {"池", "林"};
    built.nameTableB = {"左"};
    GolfCourseDescription g;
    g.id = 77;
    g.area = 13;
    g.initial = 0xB6;
    g.bounds = {4, 3, 2, -1};
    g.name = "テストGC";
    g.courseWord = 5;
    g.value1 = 6;
    g.value2 = 7;
    g.courseByte = 8;
    HoleDescription h;
    h.kind = 1;
    h.bytes = {1, 2, 3, 4};
    h.values = {1, 2, 3, 4, 5, 6, 7, 8};
    h.array1 = {{1, 2, 3, 4}};
    h.array2 = {{5, 6, 7}};
    h.picture = PictureDescription{2, 3, {"#.#", ".#."}};
    g.items = {ItemDescription{1, 2, {9}, "OUT", {h}}};
    g.links = std::vector<LinkDescription>{{1, 2, {0, 0}, {1, 0}, 4, {5, 6}}};
    built.golfCourses = {g};

    const auto a = BuildPlainMembers(parsed);
    const auto b = BuildPlainMembers(built);
    ASSERT_EQ(a.size(), 3u);
    ASSERT_EQ(a.size(), b.size());
    for (size_t m = 0; m < a.size(); ++m) {
        EXPECT_EQ(a[m].name, b[m].name);
        EXPECT_EQ(a[m].bytes, b[m].bytes) << a[m].name;
    }
}

}  // namespace
}  // namespace veldrant::course::test
