// Hole and round pictures: where the marks land, that the scale bar tells the truth, and that the
// SVG is a well-formed document with a shape per mark.
#include <gtest/gtest.h>

#include <algorithm>
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

Round OneHole(const std::vector<WatchMark>& marks) {
    ReadResult r = ReadRounds(ExportedFile({{marks, {}}}));
    EXPECT_TRUE(r.ok()) << r.error;
    return r.ok() ? r.file.rounds[0] : Round{};
}

struct Extent {
    double left, top, right, bottom;
    bool Meets(const Extent& o) const {
        return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
    }
};

// Where a distance label's glyphs fall at least (Latin text, about half the size per letter).
Extent Ink(const PictureText& t) {
    const double w = 0.5 * t.size * static_cast<double>(t.text.size());
    const double left = t.anchor == TextAnchor::Start    ? t.at.x
                        : t.anchor == TextAnchor::Middle ? t.at.x - w / 2
                                                         : t.at.x - w;
    return {left, t.at.y - 0.7 * t.size, left + w, t.at.y + 0.2 * t.size};
}

TEST(HolePicture, MarkersThatWouldCoverEachOtherStandApartWithLeadersAndLabelsReadable) {
    struct Case {
        const char* what;
        std::vector<WatchMark> marks;
        size_t moved;        // markers that must leave their places
        size_t sharedPlace;  // the marker whose place the moved ones share (or lie beside)
    };
    const Case cases[] = {
        {"the last putts a metre apart",
         {At(1, 139.7, North(0)), At(1, 139.7, North(250)), At(1, 139.7, North(330)),
          At(1, 139.7, North(394), true), At(1, 139.7, North(395), true),
          At(1, 139.7, North(396), true)},
         2,
         3},
        {"three marks on one spot",
         {At(1, 139.7, North(0)), At(1, 139.7, North(150)), At(1, 139.7, North(150), true),
          At(1, 139.7, North(150), true)},
         2,
         1},
        {"a tee shot that went nowhere",
         {At(1, 139.7, North(0)), At(1, 139.7, North(0.4)), At(1, 139.7, North(200))},
         1,
         0},
    };
    for (const Case& c : cases) {
        const Round round = OneHole(c.marks);
        for (int size : {320, 640}) {
            SCOPED_TRACE(testing::Message() << c.what << " at " << size);
            Picture p = HolePicture(round, 0, size);
            ASSERT_EQ(p.dots.size(), c.marks.size());
            for (size_t i = 0; i < p.dots.size(); ++i) {
                EXPECT_EQ(p.dots[i].label, std::to_string(i + 1));
                EXPECT_GE(p.dots[i].at.y, 60);
                EXPECT_LE(p.dots[i].at.y, size - 30);
                for (size_t j = i + 1; j < p.dots.size(); ++j)
                    EXPECT_GE(Apart(p.dots[i].at, p.dots[j].at), 2 * kMarkerRadius) << i << j;
            }
            // Each moved marker hangs on a leader from its mark's place.
            ASSERT_EQ(p.leaders.size(), c.moved);
            for (const PictureLine& l : p.leaders) {
                EXPECT_LT(Apart(l.from, p.dots[c.sharedPlace].at), 3 * 1.4);
                EXPECT_TRUE(std::any_of(p.dots.begin(), p.dots.end(), [&](const PictureDot& d) {
                    return Apart(d.at, l.to) < 0.01;
                }));
            }
            // Distance labels cover no marker and no other label.
            std::vector<Extent> labels;
            for (const PictureText& t : p.texts) {
                if (!t.halo || t.text.find(" yd (") == std::string::npos)
                    continue;
                const Extent e = Ink(t);
                for (const PictureDot& d : p.dots)
                    EXPECT_FALSE(e.Meets({d.at.x - kMarkerRadius, d.at.y - kMarkerRadius,
                                          d.at.x + kMarkerRadius, d.at.y + kMarkerRadius}))
                        << t.text << " on marker " << d.label;
                for (const Extent& o : labels)
                    EXPECT_FALSE(e.Meets(o)) << t.text;
                labels.push_back(e);
            }
            EXPECT_EQ(labels.size(), c.marks.size() - 1);
        }
    }
}

TEST(HolePicture, WritesTheWordsItIsGiven) {
    const PictureWords words = {"H{}", "R{}", {"{}h", "{}hs"}, {"{}s", "{}ss"}, {"{}p", "{}ps"},
                                "/",   "*",   "t {}",          "l {}",          {"{}o", "{}os"}};
    const Round round = Sample();
    struct Case {
        Picture picture;
        std::vector<std::string> texts;
    };
    const Case cases[] = {
        {HolePicture(round, 0, 640, words),
         {"H1 (OUT)  2016-05-03  Test Golf", "5ss/1p*/t 219 yd (200 m)", "1o"}},
        {HolePicture(round, 0),
         {"Hole 1 (OUT)  2016-05-03  Test Golf",
          "5 strokes, 1 putt (counted from the marks), tee shot 219 yd (200 m)",
          "1 outlier mark left out"}},
        {RoundPicture(round, 640, words),
         {"R1  2016-05-03  Test Golf", "2hs/6ss/1p*/l 219 yd (200 m)"}},
    };
    for (const Case& c : cases) {
        for (const std::string& text : c.texts)
            EXPECT_TRUE(std::any_of(c.picture.texts.begin(), c.picture.texts.end(),
                                    [&](const PictureText& t) { return t.text == text; }))
                << text;
    }
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
    // Three shots, the background and the putt, three lines; the putt 5 m from the shot before
    // it hangs on a leader (a line and a dot at its place).
    EXPECT_EQ(svg->All("circle").size(), 3u + 1u);
    EXPECT_EQ(svg->All("rect").size(), 1u + 1u);
    EXPECT_EQ(svg->All("line").size(), 3u + 1u);
    bool title = false;
    for (const XmlElement* t : svg->All("text"))
        title |= t->text.find("<&> \"Club\"") != std::string::npos;
    EXPECT_TRUE(title);
}

}  // namespace
}  // namespace veldrant::rounds
