#include "rounds/Picture.h"

#include <GeographicLib/AzimuthalEquidistant.hpp>
#include <GeographicLib/Geodesic.hpp>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "rounds/ExportText.h"
#include "rounds/Measure.h"

namespace veldrant::rounds {
namespace {

using text::AppendFixed;
using text::AppendInt;

// Room for the title above, the scale bar below and labels at the sides.
constexpr double kTop = 76, kBottom = 44, kSide = 48;
constexpr double kMinExtent = 60;  // metres: a single mark still gets a sensible scale

struct Projected {
    const Mark* mark;
    double east, north;  // metres from the centre
};

// Projects the marks that are not outliers around the middle of their bounding box and fits
// them into the picture. Returns the metres-to-pixels factor.
class Frame {
public:
    Frame(const std::vector<const Mark*>& marks, int size) : size_(size) {
        double minLat = 90, maxLat = -90, minLon = 180, maxLon = -180;
        for (const Mark* m : marks) {
            minLat = std::min(minLat, m->latitude);
            maxLat = std::max(maxLat, m->latitude);
            minLon = std::min(minLon, m->longitude);
            maxLon = std::max(maxLon, m->longitude);
        }
        if (!marks.empty()) {
            lat0_ = (minLat + maxLat) / 2;
            lon0_ = (minLon + maxLon) / 2;
        }
        double minE = 0, maxE = 0, minN = 0, maxN = 0;
        for (const Mark* m : marks) {
            double e, n;
            Project(*m, e, n);
            minE = std::min(minE, e);
            maxE = std::max(maxE, e);
            minN = std::min(minN, n);
            maxN = std::max(maxN, n);
        }
        midE_ = (minE + maxE) / 2;
        midN_ = (minN + maxN) / 2;
        double extent = std::max({maxE - minE, maxN - minN, kMinExtent});
        scale_ = std::min(size - 2 * kSide, size - kTop - kBottom) / extent;
    }

    void Project(const Mark& m, double& east, double& north) const {
        GeographicLib::AzimuthalEquidistant proj(GeographicLib::Geodesic::WGS84());
        proj.Forward(lat0_, lon0_, m.latitude, m.longitude, east, north);
    }
    PicturePoint Pixel(const Mark& m) const {
        double e, n;
        Project(m, e, n);
        const double middleY = kTop + (size_ - kTop - kBottom) / 2;
        return {size_ / 2.0 + (e - midE_) * scale_, middleY - (n - midN_) * scale_};
    }
    double Scale() const { return scale_; }

private:
    int size_;
    double lat0_ = 0, lon0_ = 0;
    double midE_ = 0, midN_ = 0;
    double scale_ = 1;
};

// The longest round length (1, 2, 2.5 or 5 times a power of ten) not over `metres`.
double NiceLength(double metres) {
    double p = std::pow(10.0, std::floor(std::log10(std::max(metres, 1.0))));
    for (double f : {5.0, 2.5, 2.0, 1.0}) {
        if (f * p <= metres)
            return f * p;
    }
    return p;
}

// `pattern` with its "{}" replaced.
std::string Filled(std::string_view pattern, std::string_view value) {
    std::string s(pattern);
    if (size_t at = s.find("{}"); at != std::string::npos)
        s.replace(at, 2, value);
    return s;
}

std::string Counted(int n, const std::string_view (&pair)[2]) {
    return Filled(pair[n == 1 ? 0 : 1], std::to_string(n));
}

constexpr PictureWords kEnglish = {
    "Hole {}",
    "Round {}",
    {"{} hole", "{} holes"},
    {"{} stroke", "{} strokes"},
    {"{} putt", "{} putts"},
    ", ",
    " (counted from the marks)",
    "tee shot {}",
    "longest {}",
    {"{} outlier mark left out", "{} outlier marks left out"},
};

std::string Metres(double m) {
    std::string s;
    AppendFixed(s, m, m < 10 ? 1 : 0);
    return s + " m";
}

void AddFurniture(Picture& p, double scale, const std::string& title, const std::string& sub,
                  const PictureWords& words) {
    p.texts.push_back({{12, 24}, title, 16, TextAnchor::Start, true, false});
    p.texts.push_back({{12, 42}, sub, 12, TextAnchor::Start, false, false});
    // Scale bar: about a quarter of the picture's width.
    double length = NiceLength((p.width / 4.0) / scale);
    double px = length * scale;
    double y = p.height - 20.0;
    p.scaleBar = {{16, y}, {16 + px, y}};
    p.texts.push_back({{16 + px / 2, y - 6}, Metres(length), 11, TextAnchor::Middle, false, true});
    // North arrow in the top right corner: the projection keeps north up.
    p.northBase = {p.width - 28.0, 64};
    p.northLength = 34;
    p.texts.push_back({{p.width - 28.0, 24}, "N", 13, TextAnchor::Middle, true, false});
    if (p.outliersLeftOut > 0) {
        std::string note = Counted(p.outliersLeftOut, words.outliers);
        p.texts.push_back(
            {{p.width - 12.0, p.height - 14.0}, note, 11, TextAnchor::End, false, false});
    }
}

// The label beside a line at `along` (0 at `a`, 1 at `b`), `off` pixels from it on the side
// that faces up (or the other side), running away from the line.
PictureText LineLabel(const PicturePoint& a, const PicturePoint& b, const std::string& label,
                      double off, bool otherSide = false, double along = 0.5) {
    double dx = b.x - a.x, dy = b.y - a.y;
    double len = std::hypot(dx, dy);
    double nx = len > 0 ? -dy / len : 0, ny = len > 0 ? dx / len : -1;
    if ((ny > 0) != otherSide) {
        nx = -nx;
        ny = -ny;
    }
    TextAnchor anchor = nx > 0.3    ? TextAnchor::Start
                        : nx < -0.3 ? TextAnchor::End
                                    : TextAnchor::Middle;
    const double mx = along == 0.5 ? (a.x + b.x) / 2 : a.x + dx * along;
    const double my = along == 0.5 ? (a.y + b.y) / 2 : a.y + dy * along;
    PicturePoint at{mx + nx * off, my + ny * off + (ny > -0.5 ? 4 : 0)};
    return {at, label, 11, anchor, false, true};
}

// A text's box, estimated from its length: digits and Latin letters take about 0.6 of the
// font's size, wide characters a whole size.
struct Box {
    double left, top, right, bottom;
    bool Meets(const Box& o) const {
        return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
    }
};

Box TextBox(const PictureText& t) {
    double width = 0;
    for (size_t i = 0; i < t.text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(t.text[i]);
        if (c < 0x80)
            width += 0.6 * t.size;
        else if (c >= 0xC0)
            width += c >= 0xE0 ? t.size : 0.6 * t.size;
    }
    double left = t.anchor == TextAnchor::Start    ? t.at.x
                  : t.anchor == TextAnchor::Middle ? t.at.x - width / 2
                                                   : t.at.x - width;
    return {left - 2, t.at.y - 0.8 * t.size - 2, left + width + 2, t.at.y + 0.25 * t.size + 2};
}

Box DotBox(const PicturePoint& at, double r) {
    return {at.x - r - 1, at.y - r - 1, at.x + r + 1, at.y + r + 1};
}

bool Covers(const PicturePoint& a, const PicturePoint& b) {
    const double dx = a.x - b.x, dy = a.y - b.y;
    return dx * dx + dy * dy < (2 * kMarkerRadius + 2) * (2 * kMarkerRadius + 2);
}

// Moves each marker that would cover an earlier one to the nearest free place around its mark,
// away from the markers it meets, inside the drawing between the texts at the top and the
// scale bar; a leader line runs from the mark's place to the moved marker.
void SpreadMarkers(Picture& p) {
    const double minX = kMarkerRadius + 4, maxX = p.width - kMarkerRadius - 4;
    const double minY = 60 + kMarkerRadius, maxY = p.height - 30 - kMarkerRadius;
    for (size_t i = 1; i < p.dots.size(); ++i) {
        const PicturePoint place = p.dots[i].at;
        auto free = [&](const PicturePoint& at) {
            if (at.x < minX || at.x > maxX || at.y < minY || at.y > maxY)
                return false;
            for (size_t k = 0; k < i; ++k) {
                if (Covers(at, p.dots[k].at))
                    return false;
            }
            return true;
        };
        if (free(place) || place.x < minX || place.x > maxX || place.y < minY || place.y > maxY)
            continue;
        // Away from the middle of the markers it meets; up and to the right when it lies on them.
        double ax = 0, ay = 0;
        for (size_t k = 0; k < i; ++k) {
            if (Covers(place, p.dots[k].at)) {
                ax += place.x - p.dots[k].at.x;
                ay += place.y - p.dots[k].at.y;
            }
        }
        // The way out as a unit vector, turned in steps of 30 degrees by exact arithmetic (no
        // trigonometry of the C library: every platform places the markers alike).
        const double norm = std::sqrt(ax * ax + ay * ay);
        const double ux = norm > 0.5 ? ax / norm : std::numbers::sqrt2 / 2;
        const double uy = norm > 0.5 ? ay / norm : -std::numbers::sqrt2 / 2;
        constexpr double kCos[] = {1,    std::numbers::sqrt3 / 2,  0.5, 0,
                                   -0.5, -std::numbers::sqrt3 / 2, -1};
        constexpr double kSin[] = {0,   0.5, std::numbers::sqrt3 / 2, 1, std::numbers::sqrt3 / 2,
                                   0.5, 0};
        bool moved = false;
        for (int ring = 1; ring <= 6 && !moved; ++ring) {
            const double reach = ring * (2 * kMarkerRadius + 6);
            for (int step = 0; step < 12 && !moved; ++step) {
                // 0, +30, -30, +60, ... degrees from the way out.
                const int k = (step + 1) / 2;
                const double c = kCos[k], sn = step % 2 ? kSin[k] : -kSin[k];
                PicturePoint at{place.x + reach * (ux * c - uy * sn),
                                place.y + reach * (ux * sn + uy * c)};
                if (free(at)) {
                    p.dots[i].at = at;
                    p.leaders.push_back({place, at});
                    moved = true;
                }
            }
        }
    }
}

// Places each distance label where it covers no marker, no earlier label and none of the
// picture's furniture: beside its line, then on its other side, farther out, or nearer an end.
void PlaceLabels(Picture& p, std::vector<std::pair<PictureLine, std::string>> labels) {
    std::vector<Box> taken;
    for (const PictureDot& d : p.dots)
        taken.push_back(DotBox(d.at, kMarkerRadius));
    // The titles, the north arrow, the scale bar and the outlier note.
    taken.push_back({0, 0, double(p.width), 50});
    taken.push_back({p.width - 44.0, 0, double(p.width), 70});
    taken.push_back({0, p.height - 40.0, double(p.width), double(p.height)});
    for (auto& [line, label] : labels) {
        const double len = std::hypot(line.to.x - line.from.x, line.to.y - line.from.y);
        // A short line (a putt) lies under its marks: its label starts clear of them.
        const double off = len < 30 ? 18 : 8;
        PictureText chosen = LineLabel(line.from, line.to, label, off);
        bool placed = false;
        for (double along : {0.5, 0.3, 0.7}) {
            for (double extra : {0.0, 12.0, 24.0, 40.0}) {
                for (bool other : {false, true}) {
                    if (placed)
                        break;
                    PictureText t = LineLabel(line.from, line.to, label, off + extra, other, along);
                    const Box box = TextBox(t);
                    bool clear = box.left >= 0 && box.right <= p.width;
                    for (const Box& b : taken)
                        clear = clear && !box.Meets(b);
                    if (clear) {
                        chosen = t;
                        placed = true;
                    }
                }
            }
        }
        taken.push_back(TextBox(chosen));
        p.texts.push_back(chosen);
    }
}

void AppendXmlText(std::string& out, std::string_view s) {
    text::AppendXml(out, s);
}

void AppendAt(std::string& out, const char* xName, double x, const char* yName, double y) {
    out.append(" ");
    out.append(xName);
    out.append("=\"");
    AppendFixed(out, x, 1);
    out.append("\" ");
    out.append(yName);
    out.append("=\"");
    AppendFixed(out, y, 1);
    out.append("\"");
}

}  // namespace

std::string DistanceLabel(double metres) {
    std::string s;
    AppendFixed(s, Yards(metres), 0);
    s.append(" yd (");
    AppendFixed(s, metres, 0);
    s.append(" m)");
    return s;
}

const PictureWords& EnglishPictureWords() {
    return kEnglish;
}

Picture HolePicture(const Round& round, size_t index, int size, const PictureWords& words) {
    Picture p;
    p.width = p.height = size;
    if (index >= round.holes.size())
        return p;
    const Hole& hole = round.holes[index];
    std::vector<const Mark*> drawn;
    for (const Mark& m : hole.marks) {
        if (m.outlier)
            ++p.outliersLeftOut;
        else
            drawn.push_back(&m);
    }
    Frame frame(drawn, size);

    std::vector<std::pair<PictureLine, std::string>> labels;
    for (size_t i = 0; i < hole.marks.size(); ++i) {
        const Mark& m = hole.marks[i];
        if (m.outlier || !m.distance)
            continue;
        // The next mark that is not an outlier: the one the distance was measured to.
        size_t j = i + 1;
        while (j < hole.marks.size() && hole.marks[j].outlier)
            ++j;
        if (j == hole.marks.size())
            continue;
        PicturePoint a = frame.Pixel(m), b = frame.Pixel(hole.marks[j]);
        p.lines.push_back({a, b});
        labels.push_back({{a, b}, DistanceLabel(*m.distance)});
    }
    for (size_t i = 0; i < hole.marks.size(); ++i) {
        const Mark& m = hole.marks[i];
        if (!m.outlier)
            p.dots.push_back({frame.Pixel(m), std::to_string(i + 1), m.kind == MarkKind::Putt});
    }
    SpreadMarkers(p);
    PlaceLabels(p, std::move(labels));

    std::string title = Filled(words.hole, std::to_string(hole.number));
    if (!hole.courseName.empty())
        title += " (" + hole.courseName + ")";
    title += "  " + DateText(round.start) + "  " + round.golfCourseName;
    std::string sub = Counted(hole.Strokes(), words.strokes) + std::string(words.separator) +
                      Counted(hole.Putts(), words.putts) + std::string(words.counted);
    if (hole.teeShot)
        sub += std::string(words.separator) + Filled(words.teeShot, DistanceLabel(*hole.teeShot));
    AddFurniture(p, frame.Scale(), title, sub, words);
    return p;
}

Picture RoundPicture(const Round& round, int size, const PictureWords& words) {
    Picture p;
    p.width = p.height = size;
    std::vector<const Mark*> drawn;
    for (const Hole& hole : round.holes) {
        for (const Mark& m : hole.marks) {
            if (m.outlier)
                ++p.outliersLeftOut;
            else
                drawn.push_back(&m);
        }
    }
    Frame frame(drawn, size);
    for (const Hole& hole : round.holes) {
        const Mark* last = nullptr;
        for (const Mark& m : hole.marks) {
            if (m.outlier)
                continue;
            if (last)
                p.lines.push_back({frame.Pixel(*last), frame.Pixel(m)});
            last = &m;
        }
    }
    for (const Hole& hole : round.holes) {
        bool first = true;
        for (const Mark& m : hole.marks) {
            if (m.outlier)
                continue;
            PictureDot dot{frame.Pixel(m), first ? std::to_string(hole.number) : "",
                           m.kind == MarkKind::Putt, !first};
            p.dots.push_back(dot);
            first = false;
        }
    }
    RoundTotals t = Totals(round);
    const std::string separator(words.separator);
    std::string title = Filled(words.round, std::to_string(round.number)) + "  " +
                        DateText(round.start) + "  " + round.golfCourseName;
    std::string sub = Counted(t.holes, words.holes) + separator +
                      Counted(t.strokes, words.strokes) + separator +
                      Counted(t.putts, words.putts) + std::string(words.counted);
    if (t.longest)
        sub += separator + Filled(words.longest, DistanceLabel(*t.longest));
    AddFurniture(p, frame.Scale(), title, sub, words);
    return p;
}

std::string PictureSvg(const Picture& p) {
    std::string out;
    out.reserve(8192);
    out.append(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\"");
    out.append(" width=\"");
    AppendInt(out, p.width);
    out.append("\" height=\"");
    AppendInt(out, p.height);
    out.append("\" viewBox=\"0 0 ");
    AppendInt(out, p.width);
    out.push_back(' ');
    AppendInt(out, p.height);
    out.append(
        "\" font-family=\"IPAGothic, 'Noto Sans CJK JP', sans-serif\">\n"
        "<rect width=\"100%\" height=\"100%\" fill=\"#e9f2e1\"/>\n");
    for (const PictureLine& l : p.lines) {
        out.append("<line");
        AppendAt(out, "x1", l.from.x, "y1", l.from.y);
        AppendAt(out, "x2", l.to.x, "y2", l.to.y);
        out.append(" stroke=\"#4a4a4a\" stroke-width=\"2\"/>\n");
    }
    // A moved marker's leader: a thin line from the mark's place, marked with a small dot.
    for (const PictureLine& l : p.leaders) {
        out.append("<line");
        AppendAt(out, "x1", l.from.x, "y1", l.from.y);
        AppendAt(out, "x2", l.to.x, "y2", l.to.y);
        out.append(" stroke=\"#1d1d1d\" stroke-width=\"1\"/>\n<circle");
        AppendAt(out, "cx", l.from.x, "cy", l.from.y);
        out.append(" r=\"2.0\" fill=\"#1d1d1d\"/>\n");
    }
    for (const PictureDot& d : p.dots) {
        const double r = d.small ? kSmallMarkerRadius : kMarkerRadius;
        const char* fill = d.putt ? "#2e9d4a" : "#f08c1a";
        if (d.putt) {
            out.append("<rect");
            AppendAt(out, "x", d.at.x - r, "y", d.at.y - r);
            AppendAt(out, "width", 2 * r, "height", 2 * r);
        } else {
            out.append("<circle");
            AppendAt(out, "cx", d.at.x, "cy", d.at.y);
            out.append(" r=\"");
            AppendFixed(out, r, 1);
            out.append("\"");
        }
        out.append(" fill=\"");
        out.append(fill);
        out.append("\" stroke=\"#ffffff\" stroke-width=\"1.5\"/>\n");
        if (!d.label.empty()) {
            out.append("<text");
            if (d.small)
                AppendAt(out, "x", d.at.x + 6, "y", d.at.y - 6);
            else
                AppendAt(out, "x", d.at.x, "y", d.at.y + 4);
            out.append(d.small ? " font-size=\"12\" font-weight=\"bold\" fill=\"#1d1d1d\""
                               : " font-size=\"11\" font-weight=\"bold\" fill=\"#ffffff\""
                                 " text-anchor=\"middle\"");
            out.push_back('>');
            AppendXmlText(out, d.label);
            out.append("</text>\n");
        }
    }
    // Scale bar with end ticks, north arrow.
    const PictureLine& s = p.scaleBar;
    out.append("<path d=\"M");
    AppendFixed(out, s.from.x, 1);
    out.push_back(' ');
    AppendFixed(out, s.from.y - 5, 1);
    out.append(" V");
    AppendFixed(out, s.from.y, 1);
    out.append(" H");
    AppendFixed(out, s.to.x, 1);
    out.append(" V");
    AppendFixed(out, s.to.y - 5, 1);
    out.append("\" fill=\"none\" stroke=\"#1d1d1d\" stroke-width=\"2\"/>\n");
    const PicturePoint& n = p.northBase;
    const double tip = n.y - p.northLength;
    out.append("<path d=\"M");
    AppendFixed(out, n.x, 1);
    out.push_back(' ');
    AppendFixed(out, tip, 1);
    out.append(" L");
    AppendFixed(out, n.x + 8, 1);
    out.push_back(' ');
    AppendFixed(out, n.y, 1);
    out.append(" L");
    AppendFixed(out, n.x, 1);
    out.push_back(' ');
    AppendFixed(out, n.y - 8, 1);
    out.append(" L");
    AppendFixed(out, n.x - 8, 1);
    out.push_back(' ');
    AppendFixed(out, n.y, 1);
    out.append(" Z\" fill=\"#1d1d1d\"/>\n");
    for (const PictureText& t : p.texts) {
        out.append("<text");
        AppendAt(out, "x", t.at.x, "y", t.at.y);
        out.append(" font-size=\"");
        AppendFixed(out, t.size, 0);
        out.append("\"");
        if (t.anchor != TextAnchor::Start)
            out.append(t.anchor == TextAnchor::Middle ? " text-anchor=\"middle\""
                                                      : " text-anchor=\"end\"");
        if (t.bold)
            out.append(" font-weight=\"bold\"");
        if (t.halo)
            out.append(" stroke=\"#ffffff\" stroke-width=\"3\" paint-order=\"stroke\"");
        out.append(" fill=\"#1d1d1d\">");
        AppendXmlText(out, t.text);
        out.append("</text>\n");
    }
    out.append("</svg>\n");
    return out;
}

}  // namespace veldrant::rounds
