// Pictures of a hole and of a whole round, drawn in a local east/north projection (azimuthal
// equidistant around the marks' middle, north up): numbered marks (shots as circles, putts as
// squares), the lines between them labelled with their distances, a scale bar and a north arrow.
// A picture is a list of shapes in pixels; PictureSvg writes it as SVG and the window paints the
// same shapes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "rounds/Round.h"

namespace veldrant::rounds {

struct PicturePoint {
    double x = 0, y = 0;  // pixels, y down
};

struct PictureDot {
    PicturePoint at;
    std::string label;  // the stroke number, or the hole number on an overview
    bool putt = false;
    bool small = false;  // an overview's mark
};

struct PictureLine {
    PicturePoint from, to;
};

enum class TextAnchor { Start, Middle, End };

struct PictureText {
    PicturePoint at;  // the baseline's anchor point
    std::string text;
    double size = 12;
    TextAnchor anchor = TextAnchor::Start;
    bool bold = false;
    bool halo = false;  // a white outline so that the text reads over lines
};

struct Picture {
    int width = 0, height = 0;
    std::vector<PictureLine> lines;
    std::vector<PictureLine> leaders;  // from a mark's place to its marker, drawn aside
    std::vector<PictureDot> dots;
    std::vector<PictureText> texts;
    PictureLine scaleBar;    // horizontal, labelled in `texts`
    PicturePoint northBase;  // the north arrow points up from here
    double northLength = 0;
    int outliersLeftOut = 0;  // marks not drawn (noted in `texts`)
};

// The words a picture writes; "{}" stands for a number or a distance. Pairs are for one and for
// more. The SVG files are English; the window passes its own language.
struct PictureWords {
    std::string_view hole;  // "Hole {}"
    std::string_view round;
    std::string_view holes[2];
    std::string_view strokes[2];
    std::string_view putts[2];
    std::string_view separator;  // between the figures: ", "
    std::string_view counted;    // " (counted from the marks)"
    std::string_view teeShot;    // "tee shot {}"
    std::string_view longest;
    std::string_view outliers[2];  // "{} outlier mark left out"
};
const PictureWords& EnglishPictureWords();

// A marker's radius in a hole picture, and an overview's.
inline constexpr double kMarkerRadius = 10, kSmallMarkerRadius = 3.5;

// One hole of the round; `size` is the picture's width and height in pixels.
Picture HolePicture(const Round& round, size_t hole, int size = 640,
                    const PictureWords& words = EnglishPictureWords());
// Every hole of the round, each numbered at its first mark.
Picture RoundPicture(const Round& round, int size = 640,
                     const PictureWords& words = EnglishPictureWords());

std::string PictureSvg(const Picture& picture);

// "252 yd (230 m)"
std::string DistanceLabel(double metres);

}  // namespace veldrant::rounds
