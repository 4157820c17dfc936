// Hole and round pictures: where the marks land, that the scale bar tells the truth, and that the
// SVG is a well-formed document with a shape per mark.
#include <gtest/gtest.h>

#include <cmath>

#include "rounds/Measure.h"
#include "rounds/Picture.h"
#include "rounds/RoundReader.h"
#include "tests/rounds/MiniXml.h"
#include "tests/rounds/RoundFiles.h"

namespace veldrant::rounds {
namespace {

using namespace test;

double North(double metres) {
    return 35.6 + metres / 110940.0;
}

// Hole 1 runs 200 m north then 150 m east; a putt; an outlier at 0/0. Hole 2 has one mark.
Round Sample() {
    const double east150 = 150.0 / (111320.0 * std::cos(35.6018 * 3.14159265358979 / 180));
    ReadResult r =
        ReadRounds(ExportedFile({{{At(1, 139.7, North(0)), At(1, 139.7, North(200)), At(1, 0, 0),
                                   At(1, 139.7 + east150, North(200)),
                                   At(1, 139.7 + east150, North(205), true), At(2, 139.71, 35.61)},
                                  {}}}));
    EXPECT_TRUE(r.ok()) << r.error;
    return r.ok() ? r.file.rounds[0] : Round{};
}

double Apart(const PicturePoint& a, const PicturePoint& b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

// Pixels per metre from the scale bar and its label ("50 m").
double PixelsPerMetre(const Picture& p) {
    double bar = p.scaleBar.to.x - p.scaleBar.from.x;
    for (const PictureText& t : p.texts) {
        if (t.text.size() > 2 && t.text.ends_with(" m") && std::isdigit(t.text[0]))
            return bar / std::stod(t.text);
    }
    ADD_FAILURE() << "no scale label";
    return 1;
}

TEST(HolePicture, MarksLandWhereTheyAreWithNorthUpAndATruthfulScale) {
    const Round round = Sample();
    ASSERT_EQ(round.holes.size(), 2u);
    for (int size : {320, 640, 1000}) {
        SCOPED_TRACE(size);
        Picture p = HolePicture(round, 0, size);
        EXPECT_EQ(p.width, size);
        ASSERT_EQ(p.dots.size(), 4u);  // the outlier is left out
        EXPECT_EQ(p.outliersLeftOut, 1);
        const std::vector<std::string> labels = {"1", "2", "4", "5"};
        for (size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(p.dots[i].label, labels[i]);
            EXPECT_EQ(p.dots[i].putt, i == 3);
            EXPECT_GE(p.dots[i].at.x, 0);
            EXPECT_LE(p.dots[i].at.x, size);
            EXPECT_GE(p.dots[i].at.y, 60);         // below the title
            EXPECT_LE(p.dots[i].at.y, size - 30);  // above the scale bar
        }
        // North up, east right.
        EXPECT_NEAR(p.dots[0].at.x, p.dots[1].at.x, 0.5);
        EXPECT_LT(p.dots[1].at.y, p.dots[0].at.y);
        EXPECT_NEAR(p.dots[1].at.y, p.dots[2].at.y, 0.5);
        EXPECT_GT(p.dots[2].at.x, p.dots[1].at.x);
        const double ppm = PixelsPerMetre(p);
        EXPECT_NEAR(Apart(p.dots[0].at, p.dots[1].at) / ppm, 200, 2);
        EXPECT_NEAR(Apart(p.dots[1].at, p.dots[2].at) / ppm, 150, 1.5);
        // Lines from each mark with a distance to the next drawn mark, each labelled.
        ASSERT_EQ(p.lines.size(), 3u);
        size_t labelled = 0;
        for (const PictureText& t : p.texts)
            labelled += t.text.find(" yd (") != std::string::npos && t.halo;
        EXPECT_EQ(labelled, 3u);
    }
}

TEST(HolePicture, OneMarkAndAnOverview) {
    const Round round = Sample();
    Picture single = HolePicture(round, 1);
    ASSERT_EQ(single.dots.size(), 1u);
    EXPECT_TRUE(single.lines.empty());
    EXPECT_NEAR(single.dots[0].at.x, 320, 1);
    EXPECT_TRUE(HolePicture(round, 7).dots.empty());  // no such hole: an empty picture

    Picture all = RoundPicture(round);
    EXPECT_EQ(all.dots.size(), 5u);
    EXPECT_EQ(all.dots[0].label, "1");
    EXPECT_EQ(all.dots[4].label, "2");
    EXPECT_TRUE(all.dots[1].small);
    EXPECT_EQ(all.lines.size(), 3u);
}

TEST(PictureSvg, IsAWellFormedDocumentWithAShapePerMark) {
    Round round = Sample();
    round.golfCourseName = "<&> \"Club\"";
    std::string error;
    auto svg = MiniXml::Parse(PictureSvg(HolePicture(round, 0, 500)), error);
    ASSERT_TRUE(svg) << error;
    EXPECT_EQ(svg->name, "svg");
    EXPECT_EQ(*svg->Attribute("xmlns"), "http://www.w3.org/2000/svg");
    EXPECT_EQ(*svg->Attribute("width"), "500");
    EXPECT_EQ(*svg->Attribute("viewBox"), "0 0 500 500");
    EXPECT_EQ(svg->All("circle").size(), 3u);     // shots
    EXPECT_EQ(svg->All("rect").size(), 1u + 1u);  // the background and the putt
    EXPECT_EQ(svg->All("line").size(), 3u);
    bool title = false;
    for (const XmlElement* t : svg->All("text"))
        title |= t->text.find("<&> \"Club\"") != std::string::npos;
    EXPECT_TRUE(title);
}

}  // namespace
}  // namespace veldrant::rounds
