// veldrant-cli rounds show / export / pictures, run as a program on a mark CSV file made by the
// mark export from the simulated watch's sample.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "marks/MarkExport.h"
#include "sim/MarkSample.h"
#include "tests/rounds/MiniXml.h"
#include "tests/support/Files.h"
#include "tests/support/TempDir.h"

namespace veldrant::rounds {
namespace {

namespace fs = std::filesystem;
using testing::ReadAll;
using testing::TempDir;

struct CliRun {
    int exitCode = -1;
    std::string out, err;
};

CliRun Cli(const TempDir& dir, const std::string& args) {
    std::string command = "cd '" + dir.Path() + "' && '" VELDRANT_CLI "' " + args + " >'" +
                          dir.Path() + "/.o' 2>'" + dir.Path() + "/.e'";
    int status = std::system(command.c_str());
    CliRun r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = ReadAll(dir.File(".o"));
    r.err = ReadAll(dir.File(".e"));
    return r;
}

void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// The simulated watch's sample as the mark import writes it: five rounds in two mark sets.
std::string SampleCsv() {
    sim::MarkData data = sim::EncodeSample(sim::GenerateMarkSample());
    std::string file = "\xEF\xBB\xBF";
    for (const auto& set : data.sets)
        file += marks::ExportMarkSetToString(set, data.score);
    return file;
}

class RoundsCli : public ::testing::Test {
protected:
    void SetUp() override { Write(dir_.File("marks.csv"), SampleCsv()); }
    TempDir dir_;
};

TEST_F(RoundsCli, ShowPrintsEachRoundAndTheSameAsJson) {
    CliRun text = Cli(dir_, "rounds show marks.csv");
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_NE(text.out.find("Round 1  2016-05-03 08:02:21  富士見ヶ丘カントリー倶楽部"),
              std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("Round 5  2016-06-19"), std::string::npos);
    EXPECT_NE(text.out.find("counted from the marks, not taken from the score card"),
              std::string::npos);

    CliRun json = Cli(dir_, "rounds show marks.csv --json");
    ASSERT_EQ(json.exitCode, 0) << json.err;
    nlohmann::json doc = nlohmann::json::parse(json.out);
    ASSERT_EQ(doc["rounds"].size(), 5u);
    const auto& r1 = doc["rounds"][0];
    EXPECT_EQ(r1["golfCourseId"], 1021);
    EXPECT_EQ(r1["holes"].size(), 18u);
    EXPECT_EQ(r1["totals"]["countedFrom"], "marks");
    int strokes = 0;
    for (const auto& h : r1["holes"]) {
        strokes += h["strokes"].get<int>();
        // Every mark but the hole's last has a distance here (the sample has no outliers).
        const auto& marks = h["marks"];
        for (size_t i = 0; i < marks.size(); ++i)
            EXPECT_EQ(marks[i]["distance_m"].is_null(), i + 1 == marks.size());
    }
    EXPECT_EQ(r1["totals"]["strokes"], strokes);
    EXPECT_EQ(r1["scores"].size(), 8u);  // four players, two lines each
}

TEST_F(RoundsCli, ExportWritesEachFormatAndNeverReplacesByDefault) {
    struct Case {
        const char* format;
        const char* file;
    };
    for (const Case& c :
         {Case{"gpx", "marks.gpx"}, Case{"kml", "marks.kml"}, Case{"geojson", "marks.geojson"}}) {
        SCOPED_TRACE(c.format);
        CliRun r = Cli(dir_, std::string("rounds export marks.csv --format ") + c.format);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const std::string written = ReadAll(dir_.File(c.file));
        if (std::string(c.format) == "geojson") {
            EXPECT_EQ(nlohmann::json::parse(written)["type"], "FeatureCollection");
        } else {
            std::string error;
            EXPECT_TRUE(test::MiniXml::Parse(written, error)) << error;
        }
        // A second run without -o finds the file and leaves it as it is.
        Write(dir_.File(c.file), "mine");
        r = Cli(dir_, std::string("rounds export marks.csv --format ") + c.format);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find("exists: name the output with -o"), std::string::npos) << r.err;
        EXPECT_EQ(ReadAll(dir_.File(c.file)), "mine");
    }
    // -o replaces a file as a whole and keeps its permissions.
    Write(dir_.File("out.gpx"), "old");
    ::chmod(dir_.File("out.gpx").c_str(), 0600);
    CliRun r = Cli(dir_, "rounds export marks.csv --format gpx -o out.gpx --utc-offset -05:00");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(ReadAll(dir_.File("out.gpx")).find("<time>2016-05-03T13:02:21Z</time>"),
              std::string::npos);
    EXPECT_EQ(fs::status(dir_.File("out.gpx")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(RoundsCli, RefusalsLeaveTheUsersFilesAlone) {
    Write(dir_.File("cut.csv"), SampleCsv().substr(0, 5000));
    Write(dir_.File("keep.gpx"), "mine");
    Write(dir_.File("bom.csv"), "\xEF\xBB\xBF");
    fs::create_directory(dir_.File("folder.gpx"));
    struct Case {
        const char* args;
        int exitCode;
        const char* message;
    };
    const Case cases[] = {
        {"rounds export cut.csv --format gpx -o keep.gpx", 1,
         "cut.csv: line 41: the file ends inside a quoted field: it was cut short"},
        {"rounds export marks.csv --format gpx -o folder.gpx", 1, "is a folder, not a file"},
        {"rounds export bom.csv --format gpx -o keep.gpx", 1,
         "'bom.csv' holds no rounds: nothing to export"},
        {"rounds export bom.csv --format geojson -o -", 1, "holds no rounds"},
        {"rounds export marks.csv --format gpz -o keep.gpx", 2,
         "--format: gpz not in {gpx,kml,geojson}"},
        {"rounds export marks.csv --format gpx --utc-offset 9 -o keep.gpx", 2, "+HH:MM"},
        {"rounds show missing.csv", 1, "'missing.csv' does not exist"},
        {"rounds show folder.gpx", 1, "'folder.gpx' is a folder, not a file"},
        {"rounds pictures marks.csv", 2, "--output is required"},
        {"rounds pictures marks.csv -o keep.gpx", 1, "exists and is not a folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        CliRun r = Cli(dir_, c.args);
        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(ReadAll(dir_.File("keep.gpx")), "mine");
    }
    // No temporary file is left behind.
    for (const auto& e : fs::directory_iterator(dir_.Path()))
        EXPECT_FALSE(e.path().filename().string().starts_with(".keep")) << e.path();
}

TEST_F(RoundsCli, PicturesOfEveryHoleAndRound) {
    CliRun r = Cli(dir_, "rounds pictures marks.csv -o pics");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    size_t files = 0;
    for (const auto& e : fs::directory_iterator(dir_.File("pics"))) {
        ++files;
        std::string error;
        EXPECT_TRUE(test::MiniXml::Parse(ReadAll(e.path()), error)) << e.path() << error;
    }
    // 18 + 18 + 9 + 18 + 9 holes and 5 overviews.
    EXPECT_EQ(files, 72u + 5u);
    EXPECT_TRUE(fs::exists(dir_.File("pics/round003-09-hole09.svg")));
    EXPECT_TRUE(fs::exists(dir_.File("pics/round005-01-hole10.svg")));
}

}  // namespace
}  // namespace veldrant::rounds
