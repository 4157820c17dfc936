#include "app/PicturePainter.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "widgets/UiFont.h"

namespace veldrant::app {
namespace {

const QColor kBackground(0xe9, 0xf2, 0xe1);
const QColor kInk(0x1d, 0x1d, 0x1d);
const QColor kLine(0x4a, 0x4a, 0x4a);
const QColor kShot(0xf0, 0x8c, 0x1a);
const QColor kPutt(0x2e, 0x9d, 0x4a);

constexpr rounds::PictureWords kJapanese = {
    "{}番ホール",
    "ラウンド{}",
    {"{}ホール", "{}ホール"},
    {"{}打", "{}打"},
    {"{}パット", "{}パット"},
    "、",
    "（地点の数）",
    "ティーショット {}",
    "最長 {}",
    {"外れ値 {}点は省略", "外れ値 {}点は省略"},
};

QPointF At(const rounds::PicturePoint& p) {
    return {p.x, p.y};
}

// Text with its anchor on the baseline, optionally with a white outline under it.
void DrawText(QPainter& painter, const QPointF& at, const QString& text, double size, bool bold,
              rounds::TextAnchor anchor, bool halo, const QColor& colour) {
    QFont font = MakeGothicFont(static_cast<int>(size + 0.5), bold ? QFont::Bold : QFont::Normal);
    const double width = QFontMetricsF(font).horizontalAdvance(text);
    QPointF origin = at;
    if (anchor == rounds::TextAnchor::Middle)
        origin.rx() -= width / 2;
    else if (anchor == rounds::TextAnchor::End)
        origin.rx() -= width;
    QPainterPath path;
    path.addText(origin, font, text);
    if (halo)
        painter.strokePath(path, QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.fillPath(path, colour);
}

}  // namespace

const rounds::PictureWords& JapanesePictureWords() {
    return kJapanese;
}

void PaintPicture(QPainter& painter, const rounds::Picture& p, bool texts) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(QRectF(0, 0, p.width, p.height), kBackground);
    painter.setPen(QPen(kLine, 2));
    for (const rounds::PictureLine& l : p.lines)
        painter.drawLine(At(l.from), At(l.to));
    // Leaders from the marks' places to their moved markers.
    for (const rounds::PictureLine& l : p.leaders) {
        painter.setPen(QPen(kInk, 1));
        painter.drawLine(At(l.from), At(l.to));
        painter.setPen(Qt::NoPen);
        painter.setBrush(kInk);
        painter.drawEllipse(At(l.from), 2.0, 2.0);
    }
    for (const rounds::PictureDot& d : p.dots) {
        const double r = d.small ? rounds::kSmallMarkerRadius : rounds::kMarkerRadius;
        painter.setPen(QPen(Qt::white, 1.5));
        painter.setBrush(d.putt ? kPutt : kShot);
        QRectF box(d.at.x - r, d.at.y - r, 2 * r, 2 * r);
        if (d.putt)
            painter.drawRect(box);
        else
            painter.drawEllipse(box);
        if (d.label.empty())
            continue;
        const QString label = QString::fromStdString(d.label);
        if (d.small)
            DrawText(painter, {d.at.x + 6, d.at.y - 6}, label, 12, true, rounds::TextAnchor::Start,
                     false, kInk);
        else
            DrawText(painter, {d.at.x, d.at.y + 4}, label, 11, true, rounds::TextAnchor::Middle,
                     false, Qt::white);
    }
    // Scale bar with end ticks.
    const rounds::PictureLine& s = p.scaleBar;
    painter.setPen(QPen(kInk, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(QPolygonF(
        {QPointF(s.from.x, s.from.y - 5), At(s.from), At(s.to), QPointF(s.to.x, s.to.y - 5)}));
    // North arrow.
    const rounds::PicturePoint& n = p.northBase;
    painter.setPen(Qt::NoPen);
    painter.setBrush(kInk);
    painter.drawPolygon(QPolygonF({QPointF(n.x, n.y - p.northLength), QPointF(n.x + 8, n.y),
                                   QPointF(n.x, n.y - 8), QPointF(n.x - 8, n.y)}));
    for (const rounds::PictureText& t : texts ? p.texts : std::vector<rounds::PictureText>{})
        DrawText(painter, At(t.at), QString::fromStdString(t.text), t.size, t.bold, t.anchor,
                 t.halo, kInk);
    painter.restore();
}

CHolePictureView::CHolePictureView(QWidget* parent) : QWidget(parent) {
    setCursor(Qt::PointingHandCursor);
}

void CHolePictureView::Show(const rounds::Round* round, int hole) {
    round_ = round;
    hole_ = hole;
    update();
}

rounds::Picture CHolePictureView::CurrentPicture() const {
    if (!round_)
        return {};
    return hole_ >= 0
               ? rounds::HolePicture(*round_, static_cast<size_t>(hole_), kLayoutSize, kJapanese)
               : rounds::RoundPicture(*round_, kLayoutSize, kJapanese);
}

void CHolePictureView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int side = std::min(width(), height());
    if (!round_) {
        painter.fillRect(QRect(0, 0, side, side), kBackground);
        return;
    }
    painter.scale(side / double(kLayoutSize), side / double(kLayoutSize));
    PaintPicture(painter, CurrentPicture(), side >= kTextsFrom);
}

void CHolePictureView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && round_)
        Q_EMIT Clicked();
}

}  // namespace veldrant::app
