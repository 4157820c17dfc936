// The JSON description: fields read with their types and ranges, mistakes named by their path,
// and the limits a package must keep checked before anything is written.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "course/CoursePackage.h"
#include "course/PackageDescription.h"
#include "tests/course/PackageFixture.h"

namespace veldrant::course::test {
namespace {

using ::testing::HasSubstr;

std::string ParseError(const std::string& json) {
    PackageDescription d;
    std::string error;
    EXPECT_FALSE(ParseDescription(json, d, error)) << json;
    return error;
}

TEST(Description, MistakesAreNamedByTheirPath) {
    EXPECT_THAT(ParseError("{"), HasSubstr("not valid JSON"));
    EXPECT_THAT(ParseError("[]"), HasSubstr("description: expected an object"));
    EXPECT_THAT(ParseError(R"({"golfcourses": []})"), HasSubstr("unknown field \"golfcourses\""));
    EXPECT_THAT(ParseError(R"({"golfCourses": [{"area": 1}]})"),
                HasSubstr("golfCourses[0]: a golf course needs an \"id\""));
    EXPECT_THAT(ParseError(R"({"golfCourses": [{"id": 65536}]})"),
                HasSubstr("golfCourses[0].id: out of range (0 to 65535)"));
    EXPECT_THAT(ParseError(R"({"golfCourses": [{"id": -1}]})"), HasSubstr("out of range"));
    EXPECT_THAT(ParseError(R"({"golfCourses": [{"id": 1.5}]})"), HasSubstr("whole number"));
    EXPECT_THAT(ParseError(R"({"golfCourses": [{"id": 1, "bounds": [1, 2, 3]}]})"),
                HasSubstr("golfCourses[0].bounds: expected an array of 4 numbers"));
    EXPECT_THAT(ParseError(R"({"golfCourses": [{"id": 1, "bounds": [1, 2, 3, 2147483648]}]})"),
                HasSubstr("bounds[3]: out of range (-2147483648 to 2147483647)"));
    EXPECT_THAT(ParseError(R"({"golfCourses": [{"id": 1, "items": [{"holes": [{"kind": 1,
                              "array2": [[1, 2]]}]}]}]})"),
                HasSubstr("golfCourses[0].items[0].holes[0].array2[0]: expected an array of 3"));
    EXPECT_THAT(ParseError(R"({"golfCourses": [{"id": 1, "initial": "ア"}]})"),
                HasSubstr("half-width katakana"));
    EXPECT_THAT(ParseError(R"({"golfCourses": [{"id": 1, "pictureMember": "sometimes"}]})"),
                HasSubstr("\"auto\", \"always\" or \"never\""));
    EXPECT_THAT(ParseError(R"({"areas": [{"code": 1, "name": 5}]})"),
                HasSubstr("areas[0].name: expected a text"));
}

TEST(Description, InitialsAreReadAsKatakanaOrAsCodes) {
    PackageDescription d;
    std::string error;
    ASSERT_TRUE(ParseDescription(
        R"({"golfCourses": [{"id": 1, "initial": "ｱ"}, {"id": 2, "initial": "ﾜ"},
                            {"id": 3, "initial": 182}, {"id": 4}]})",
        d, error))
        << error;
    EXPECT_EQ(d.golfCourses[0].initial, 0xB1);
    EXPECT_EQ(d.golfCourses[1].initial, 0xDC);
    EXPECT_EQ(d.golfCourses[2].initial, 0xB6);
    EXPECT_EQ(d.golfCourses[3].initial, 0xB1);
    EXPECT_FALSE(d.golfCourses[3].links.has_value());
}

std::string CheckError(const PackageDescription& d) {
    std::string error;
    EXPECT_FALSE(CheckDescription(d, error));
    return error;
}

TEST(Description, TheChecksRefuseWhatTheReaderOrTheWatchCouldNotTake) {
    PackageDescription d = SampleDescription();
    d.areas[0].name = std::string(24, 'x') + "あ" + std::string(23, 'x');  // 49 bytes in CP932
    std::string error;
    EXPECT_TRUE(CheckDescription(d, error)) << error;
    d.areas[0].name += "x";
    EXPECT_THAT(CheckError(d), HasSubstr("areas[0].name: 50 bytes in code page 932, at most 49"));

    d = SampleDescription();
    d.golfCourses[1].name = "🏌 Golf";
    EXPECT_THAT(CheckError(d), HasSubstr("cannot be written in code page 932"));
    d = SampleDescription();
    d.golfCourses[2].id = 1201;
    EXPECT_THAT(CheckError(d), HasSubstr("golfCourses[2].id: golf course 1201 appears twice"));
    d = SampleDescription();
    d.golfCourses[0].items[0].holes[3].picture->rows[1] += "#";
    EXPECT_THAT(CheckError(d), HasSubstr("golfCourses[0].items[0].holes[3].picture.rows[1]"));
    d = SampleDescription();
    d.golfCourses[0].items[1].holes[0].array1[0].push_back(1);
    EXPECT_THAT(CheckError(d), HasSubstr("array1[0]: a hole of kind 2 has entries of 5 values"));
    d = SampleDescription();
    (*d.golfCourses[0].links)[1].nameA[1] = 10;
    EXPECT_THAT(CheckError(d), HasSubstr("links[1].nameA: entry 10 is past the end"));
    d = SampleDescription();
    (*d.golfCourses[0].links)[0].part2 = 0;
    EXPECT_THAT(CheckError(d), HasSubstr("part numbers count from 1"));
    d = SampleDescription();
    d.golfCourses[1].initial = 0xDD;
    EXPECT_THAT(CheckError(d), HasSubstr("initial"));
    d = SampleDescription();
    d.golfCourses[1].items.push_back(ItemDescription{});
    d.golfCourses[1].items.push_back(ItemDescription{});
    d.golfCourses[1].items.push_back(ItemDescription{});
    EXPECT_THAT(CheckError(d), HasSubstr("at most 5 items"));
    d = SampleDescription();
    d.nameTableB[2] = std::string(48, 'b');
    EXPECT_THAT(CheckError(d), HasSubstr("nameTableB[2]: 48 bytes in code page 932, at most 47"));
}

TEST(Description, TheDocumentedExampleWritesAPackageTheReaderTakes) {
    std::ifstream in(std::string(VELDRANT_SOURCE_DIR) + "/docs/course-description.example.json");
    ASSERT_TRUE(in) << "docs/course-description.example.json is missing";
    std::stringstream text;
    text << in.rdbuf();
    PackageDescription d;
    std::string error;
    ASSERT_TRUE(ParseDescription(text.str(), d, error)) << error;
    TempDir dir;
    ASSERT_TRUE(WritePackage(d, dir.File("example.zip"), error)) << error;
    CoursePackage package;
    ASSERT_TRUE(package.Open(dir.File("example.zip")));
    EXPECT_TRUE(package.ReadIndex()) << package.LastError();
    EXPECT_TRUE(package.ReadAppend()) << package.LastError();
    EXPECT_EQ(package.Index().blocks.size(), d.golfCourses.size());
}

// The smallest description the documentation gives packs; leaving out the area does not, and
// the documentation says so.
TEST(Description, TheDocumentedSmallestDescriptionPacks) {
    std::ifstream in(std::string(VELDRANT_SOURCE_DIR) + "/docs/course-description.md");
    std::stringstream doc;
    doc << in.rdbuf();
    const std::string smallest = R"({"golfCourses": [{"id": 1, "area": 13}]})";
    ASSERT_NE(doc.str().find("`" + smallest + "`"), std::string::npos);
    struct Row {
        std::string json;
        bool packs;
    } rows[] = {{smallest, true}, {R"({"golfCourses": [{"id": 1}]})", false}};
    for (const Row& row : rows) {
        PackageDescription d;
        std::string error;
        ASSERT_TRUE(ParseDescription(row.json, d, error)) << error;
        TempDir dir;
        EXPECT_EQ(WritePackage(d, dir.File("p.zip"), error), row.packs) << row.json << error;
        if (!row.packs) {
            EXPECT_THAT(error, HasSubstr("golfCourses[0].area: area codes count from 1"));
        }
    }
    EXPECT_NE(doc.str().find("| `area` | 1 to 255, required |"), std::string::npos);
}

}  // namespace
}  // namespace veldrant::course::test
