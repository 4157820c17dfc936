// The bytes of single lines: the documented example mark, the head of a set, numbers and names.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <random>

#include "marks/CsvText.h"
#include "marks/MarkExport.h"
#include "platform/CodePage.h"
#include "tests/marks/MarkBytes.h"

namespace veldrant::marks {
namespace {

using test::Bytes;
using test::Mark;

const std::string kHead =
    "\"KVT2700\"\r\n"
    "\"SESSION1\",\"20160503_091530\",\"Test Golf\"\r\n"
    "\"MRK\"\r\n"
    "\"GCID\",\"Golf Course name\",\"CID\",\"Course name\",\"Hole No\",\"Date\",\"time\","
    "\"Shot (s) or Putt (p)\",\"Additional No\",\"Longitude\",\"Latitude\"\r\n";

std::string Export(const Bytes& set, const Bytes& score = {}) {
    return ExportMarkSetToString(set, score);
}

TEST(ExportLine, ExampleMarkGivesTheDocumentedLine) {
    Mark m;  // 0x410493DE, GCID 1234, hole byte 58, putt, 83860000, 21300000
    ASSERT_EQ(m.time, 0x410493DEu);
    std::string out = Export(test::MarkSet({m}));
    EXPECT_EQ(out, kHead +
                       "\"1234\",\"Test Golf\",\"2\",\"OUT\",\"7\",\"2016-05-03\",\"09:15:30\","
                       "\"p\",\"1\",\"139.766667\",\"35.500000\"\r\n");
}

TEST(ExportLine, OneSessionWithoutScoresIsHeadAndMarkLinesOnly) {
    Mark a, b, c;
    a.time = test::PackTime(2016, 5, 3, 8, 0, 1);
    b.time = test::PackTime(2016, 5, 3, 8, 4, 2);
    b.putt = 0;
    b.holeByte = (1 << 3) | 0;  // CID 0, hole 1
    c.time = test::PackTime(2016, 5, 3, 12, 59, 59);
    c.holeByte = (18 << 3) | 7;
    c.longitude = -1;
    c.latitude = 0;
    std::string out = Export(test::MarkSet({a, b, c}));
    EXPECT_EQ(out,
              "\"KVT2700\"\r\n"
              "\"SESSION1\",\"20160503_080001\",\"Test Golf\"\r\n"
              "\"MRK\"\r\n" +
                  kHead.substr(kHead.find("\"GCID\"")) +
                  "\"1234\",\"Test Golf\",\"2\",\"OUT\",\"7\",\"2016-05-03\",\"08:00:01\",\"p\","
                  "\"1\",\"139.766667\",\"35.500000\"\r\n"
                  "\"1234\",\"Test Golf\",\"0\",\"OUT\",\"1\",\"2016-05-03\",\"08:04:02\",\"s\","
                  "\"1\",\"139.766667\",\"35.500000\"\r\n"
                  "\"1234\",\"Test Golf\",\"7\",\"OUT\",\"18\",\"2016-05-03\",\"12:59:59\",\"p\","
                  "\"1\",\"-0.000002\",\"0.000000\"\r\n");
}

// The time fields print whatever the watch packed, each in its printf width.
TEST(ExportLine, TimeFieldsAtTheirLimits) {
    Mark m;
    m.time = 0xFFFFFFFF;  // year 2063, month 16, day 32, 31:63:63
    m.gcid = 65535;
    std::string out = Export(test::MarkSet({m}));
    EXPECT_NE(out.find("\"SESSION1\",\"20631632_316363\""), std::string::npos) << out;
    EXPECT_NE(out.find("\"65535\",\"Test Golf\",\"2\",\"OUT\",\"7\",\"2063-16-32\",\"31:63:63\""),
              std::string::npos)
        << out;
    // The earliest time the watch can pack is 2000-01-01 00:00:01; a first word of 0 is the end.
    m.time = 1;
    out = Export(test::MarkSet({m}));
    EXPECT_NE(out.find("\"2000-01-01\",\"00:00:01\""), std::string::npos) << out;
    m.time = 0;
    EXPECT_EQ(Export(test::MarkSet({m})), "");
}

TEST(ExportLine, CoordinatesMatchPrintfInTheCLocale) {
    std::mt19937 rng(7);
    std::vector<int32_t> values = {0,        1,        -1,       299999,    300000,   -300000,
                                   83860000, 21300000, 81000000, INT32_MAX, INT32_MIN};
    std::uniform_int_distribution<int32_t> any(INT32_MIN, INT32_MAX);
    for (int i = 0; i < 20000; ++i)
        values.push_back(any(rng));
    for (int32_t v : values) {
        char expected[64];
        std::snprintf(expected, sizeof expected, "%lf", v / 600000.0);
        std::string got;
        AppendCoordinate(got, v);
        ASSERT_EQ(got, expected) << v;
    }
}

TEST(ExportLine, CoordinatesKeepThePointUnderAnotherLocale) {
    const char* names[] = {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE", "C.UTF-8"};
    const char* set = nullptr;
    for (const char* n : names) {
        if ((set = std::setlocale(LC_NUMERIC, n)) != nullptr)
            break;
    }
    if (!set)
        GTEST_SKIP() << "no other locale installed";
    std::string got;
    AppendCoordinate(got, 83860000);
    std::setlocale(LC_NUMERIC, "C");
    EXPECT_EQ(got, "139.766667");
}

TEST(ExportLine, PaddedNumbersMatchPrintf) {
    for (int v : {0, 5, 9, 10, 99, 100, 2016, 12345, -1, -42}) {
        for (int width : {2, 4}) {
            char expected[32];
            std::snprintf(expected, sizeof expected, "%0*d", width, v);
            std::string got;
            AppendPadded(got, v, width);
            EXPECT_EQ(got, expected) << v << " width " << width;
        }
    }
}

TEST(ExportLine, JapaneseNamesArriveAsTheSameCharactersInUtf8) {
    Mark m;
    const std::string golf = "富士見ヶ丘カントリー倶楽部";
    const std::string course = "ＩＮコース・表";  // full-width letters and a 0x5C trail byte
    m.golfName = platform::Utf8ToCp932(golf);
    m.courseName = platform::Utf8ToCp932(course);
    ASSERT_NE(m.golfName, golf);
    std::string out = Export(test::MarkSet({m}));
    EXPECT_NE(out.find("\"SESSION1\",\"20160503_091530\",\"" + golf + "\"\r\n"), std::string::npos)
        << out;
    EXPECT_NE(out.find("\"1234\",\"" + golf + "\",\"2\",\"" + course + "\",\"7\""),
              std::string::npos)
        << out;
}

TEST(ExportLine, BytesThatAreNotCodePage932BecomeReplacementCharacters) {
    Mark m;
    m.golfName = std::string(
        "A\x80"
        "B\xFD",
        4);
    m.courseName = std::string("\x82", 1);  // a lead byte with nothing after it
    std::string out = Export(test::MarkSet({m}));
    EXPECT_NE(out.find("\"1234\",\"A\xEF\xBF\xBD"
                       "B\xEF\xBF\xBD\",\"2\",\"\xEF\xBF\xBD\",\"7\","),
              std::string::npos)
        << out;
    EXPECT_EQ(out.substr(out.size() - 2), "\r\n");
}

TEST(ExportLine, NameFillingItsWholeFieldIsKeptWhole) {
    Mark m;
    m.golfName = std::string(50, 'G');
    m.courseName = std::string(50, 'C');  // runs into the end of the record, not beyond
    std::string out = Export(test::MarkSet({m}));
    EXPECT_NE(out.find("\"1234\",\"" + std::string(50, 'G') + "\",\"2\",\"" + std::string(50, 'C') +
                       "\",\"7\""),
              std::string::npos)
        << out;
}

TEST(ExportLine, QuoteInsideANameIsDoubled) {
    Mark m;
    m.golfName = "The \"Old\" Links";
    m.courseName = "\"";
    std::string out = Export(test::MarkSet({m}));
    EXPECT_NE(out.find("\"1234\",\"The \"\"Old\"\" Links\",\"2\",\"\"\"\",\"7\""),
              std::string::npos)
        << out;
}

}  // namespace
}  // namespace veldrant::marks
