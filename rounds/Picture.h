// Pictures of a hole and of a whole round, drawn in a local east/north projection (azimuthal
// equidistant around the marks' middle, north up): numbered marks (shots as circles, putts as
// squares), the lines between them labelled with their distances, a scale bar and a north arrow.
// A picture is a list of shapes in pixels; PictureSvg writes it as SVG and the window paints the
// same shapes.
#pragma once

#include <string>
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
    std::vector<PictureDot> dots;
    std::vector<PictureText> texts;
    PictureLine scaleBar;    // horizontal, labelled in `texts`
    PicturePoint northBase;  // the north arrow points up from here
    double northLength = 0;
    int outliersLeftOut = 0;  // marks not drawn (noted in `texts`)
};

// One hole of the round; `size` is the picture's width and height in pixels.
Picture HolePicture(const Round& round, size_t hole, int size = 640);
// Every hole of the round, each numbered at its first mark.
Picture RoundPicture(const Round& round, int size = 640);

std::string PictureSvg(const Picture& picture);

// "252 yd (230 m)"
std::string DistanceLabel(double metres);

}  // namespace veldrant::rounds
