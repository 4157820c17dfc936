// veldrant-cli's course commands end to end: pack the documented example, then the images the
// command writes are the bytes the builders make in-process, the pictures are PNG files and
// inspect --json is one JSON document with every golf course.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "course/CourseImages.h"
#include "course/CoursePackage.h"
#include "tests/course/PackageFixture.h"

namespace veldrant::course::test {
namespace {

int Cli(const std::string& args, const std::string& output = "/dev/null") {
    const std::string command = std::string(VELDRANT_CLI) + " " + args + " > " + output + " 2>&1";
    return WEXITSTATUS(std::system(command.c_str()));
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(CourseCli, PackImagesPicturesAndInspectAgreeWithTheLibrary) {
    TempDir dir;
    const std::string example =
        std::string(VELDRANT_SOURCE_DIR) + "/docs/course-description.example.json";
    const std::string pkg = dir.File("ex.zip");
    ASSERT_EQ(Cli("course pack " + example + " -o " + pkg), 0);
    ASSERT_EQ(Cli("course images " + pkg + " -o " + dir.File("img")), 0);

    CoursePackage package;
    ASSERT_TRUE(package.Open(pkg) && package.ReadIndex() && package.ReadAppend());
    ImageBuffers buffers;
    ImageResult d = BuildDirectoryImage(package, buffers.image);
    ASSERT_TRUE(d);
    EXPECT_EQ(ReadBytes(dir.File("img/directory.img")),
              std::vector<uint8_t>(buffers.image.begin(), buffers.image.begin() + d.length));
    const char* names[] = {"img/course-0001-id1201.img", "img/course-0002-id4801.img"};
    for (size_t k = 0; k < 2; ++k) {
        package.ReadPictures(package.Index().blocks[k].id);
        ImageResult r = BuildCourseImage(package, k, buffers.image, buffers.pool);
        ASSERT_TRUE(r);
        EXPECT_EQ(ReadBytes(dir.File(names[k])),
                  std::vector<uint8_t>(buffers.image.begin(), buffers.image.begin() + r.length));
    }

    ASSERT_EQ(Cli("course pictures " + pkg + " -o " + dir.File("pic")), 0);
    const auto png = ReadBytes(dir.File("pic/course-0001-id1201-item1-hole1.png"));
    ASSERT_GE(png.size(), 8u);
    EXPECT_EQ(std::vector<uint8_t>(png.begin(), png.begin() + 8),
              (std::vector<uint8_t>{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}));

    ASSERT_EQ(Cli("course inspect " + pkg + " --json", dir.File("report.json")), 0);
    std::ifstream report(dir.File("report.json"));
    const auto j = nlohmann::json::parse(report, nullptr, false);
    ASSERT_FALSE(j.is_discarded());
    ASSERT_EQ(j["golfCourses"].size(), 2u);
    EXPECT_EQ(j["golfCourses"][0]["name"], "青梅ゴルフ倶楽部");
    EXPECT_EQ(j["golfCourses"][0]["links"][0]["nameATexts"][1], "バンカー");
    EXPECT_EQ(j["golfCourses"][1]["pictures"]["usable"], false);
}

TEST(CourseCli, BadInputIsRefusedWithAMessageAndNoPackage) {
    TempDir dir;
    std::ofstream(dir.File("bad.json"))
        << R"({"golfCourses": [{"id": 1, "area": 1, "items": [{}, {}, {},
                                             {}, {}, {}]}]})";
    EXPECT_EQ(Cli("course pack " + dir.File("bad.json") + " -o " + dir.File("bad.zip"),
                  dir.File("out.txt")),
              1);
    EXPECT_FALSE(std::filesystem::exists(dir.File("bad.zip")));
    std::ifstream out(dir.File("out.txt"));
    const std::string text{std::istreambuf_iterator<char>(out), {}};
    EXPECT_NE(text.find("golfCourses[0].items: at most 5 items"), std::string::npos) << text;
    EXPECT_EQ(Cli("course inspect " + dir.File("missing.zip")), 1);
    EXPECT_EQ(Cli("course images " + dir.File("missing.zip")), 2);  // no -o
}

}  // namespace
}  // namespace veldrant::course::test
