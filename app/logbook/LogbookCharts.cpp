#include "app/logbook/LogbookCharts.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <map>

namespace veldrant::app {
namespace {

const QColor kAxis(0x60, 0x60, 0x60);
const QColor kGrid(0xdd, 0xdd, 0xdd);
const QColor kDot(0x3a, 0x78, 0xc2);
const QColor kAverage(0xe0, 0x6c, 0x10);
const QColor kBar(0x4f, 0x9a, 0x5a);

constexpr int kTitleHeight = 22;
constexpr int kLeft = 44, kRight = 12, kBottom = 24;

// A step of 1, 2 or 5 × 10^n that divides the range into about `ticks` parts.
double NiceStep(double range, int ticks) {
    if (range <= 0)
        return 1;
    const double raw = range / ticks;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0})
        if (raw <= m * power)
            return m * power;
    return 10 * power;
}

void DrawEmpty(QPainter& p, const QRect& area) {
    p.setPen(kAxis);
    p.drawText(area, Qt::AlignCenter, QStringLiteral("スコアカードのあるラウンドがありません"));
}

// The plot's frame and horizontal grid lines labelled from `low` to `high`; returns the plot
// rectangle.
QRect DrawFrame(QPainter& p, const QRect& area, double low, double high, double step) {
    const QRect plot = area.adjusted(kLeft, 4, -kRight, -kBottom);
    for (double v = std::ceil(low / step) * step; v <= high + step / 1000; v += step) {
        const int y = plot.bottom() - static_cast<int>((v - low) / (high - low) * plot.height());
        p.setPen(kGrid);
        p.drawLine(plot.left(), y, plot.right(), y);
        p.setPen(kAxis);
        p.drawText(QRect(area.left(), y - 8, kLeft - 6, 16), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(v));
    }
    p.setPen(kAxis);
    p.drawLine(plot.bottomLeft(), plot.bottomRight());
    p.drawLine(plot.bottomLeft(), plot.topLeft());
    return plot;
}

QRect BeginPaint(QPainter& p, QWidget* w, const QString& title) {
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(w->rect(), Qt::white);
    QFont bold = w->font();
    bold.setBold(true);
    p.setFont(bold);
    p.setPen(Qt::black);
    p.drawText(QRect(8, 2, w->width() - 16, kTitleHeight), Qt::AlignLeft | Qt::AlignVCenter, title);
    p.setFont(w->font());
    return w->rect().adjusted(0, kTitleHeight + 2, 0, 0);
}

}  // namespace

CTrendChart::CTrendChart(const QString& title, QWidget* parent) : QWidget(parent), title_(title) {
    setAccessibleName(title);
    setMinimumSize(240, 140);
}

void CTrendChart::SetPoints(std::vector<Point> points) {
    points_ = std::move(points);
    update();
}

void CTrendChart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect area = BeginPaint(p, this, title_);
    if (points_.empty())
        return DrawEmpty(p, area);
    double low = points_[0].value, high = low;
    for (const Point& pt : points_) {
        low = std::min(low, pt.value);
        high = std::max(high, pt.value);
    }
    const double step = NiceStep(std::max(high - low, 1.0), 4);
    low = std::floor(low / step) * step;
    high = std::max(std::ceil(high / step) * step, low + step);
    const QRect plot = DrawFrame(p, area, low, high, step);

    const size_t n = points_.size();
    auto x = [&](size_t i) {
        return n == 1 ? plot.center().x()
                      : plot.left() + 6 + (plot.width() - 12) * static_cast<double>(i) / (n - 1);
    };
    auto y = [&](double v) { return plot.bottom() - (v - low) / (high - low) * plot.height(); };

    // The first and last dates under the axis.
    p.setPen(kAxis);
    const QRect labels(plot.left(), plot.bottom() + 4, plot.width(), kBottom - 6);
    p.drawText(labels, Qt::AlignLeft | Qt::AlignTop, points_.front().label);
    if (n > 1)
        p.drawText(labels, Qt::AlignRight | Qt::AlignTop, points_.back().label);

    p.setPen(Qt::NoPen);
    p.setBrush(kDot);
    const double r = n > 200 ? 1.5 : 3;
    for (size_t i = 0; i < n; ++i)
        p.drawEllipse(QPointF(x(i), y(points_[i].value)), r, r);

    QPainterPath path;
    bool open = false;
    for (size_t i = 0; i < n; ++i) {
        if (!points_[i].average) {
            open = false;
            continue;
        }
        const QPointF at(x(i), y(*points_[i].average));
        open ? path.lineTo(at) : path.moveTo(at);
        open = true;
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kAverage, 2));
    p.drawPath(path);

    // The legend, top right.
    const QString legend = QStringLiteral("● 各ラウンド  ― 直近5ラウンドの平均");
    const int w = p.fontMetrics().horizontalAdvance(legend);
    p.setPen(kAxis);
    p.drawText(QRect(width() - w - 10, 2, w + 4, kTitleHeight), Qt::AlignVCenter, legend);
}

CHistogramChart::CHistogramChart(const QString& title, QWidget* parent)
    : QWidget(parent), title_(title) {
    setAccessibleName(title);
    setMinimumSize(240, 140);
}

void CHistogramChart::SetValues(const std::vector<int>& values, int width) {
    width_ = std::max(width, 1);
    std::map<int, int> counts;
    for (int v : values)
        ++counts[static_cast<int>(std::floor(static_cast<double>(v) / width_)) * width_];
    bins_.clear();
    if (!counts.empty())
        for (int start = counts.begin()->first; start <= counts.rbegin()->first; start += width_)
            bins_.emplace_back(start, counts.count(start) ? counts[start] : 0);
    update();
}

void CHistogramChart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect area = BeginPaint(p, this, title_);
    if (bins_.empty())
        return DrawEmpty(p, area);
    int most = 1;
    for (const auto& [start, count] : bins_)
        most = std::max(most, count);
    const double step = std::max(1.0, NiceStep(most, 4));
    const double high = std::ceil(most / step) * step;
    const QRect plot = DrawFrame(p, area, 0, high, step);
    const double bar = static_cast<double>(plot.width()) / bins_.size();
    const int every = std::max(1, static_cast<int>(std::ceil(40.0 / bar)));
    for (size_t i = 0; i < bins_.size(); ++i) {
        const auto& [start, count] = bins_[i];
        const double h = count / high * plot.height();
        const QRectF r(plot.left() + i * bar + 1, plot.bottom() - h, std::max(bar - 2, 1.0), h);
        p.fillRect(r, kBar);
        if (i % every == 0) {
            p.setPen(kAxis);
            const QString label =
                width_ == 1 ? QString::number(start) : QStringLiteral("%1-").arg(start);
            p.drawText(QRectF(plot.left() + i * bar, plot.bottom() + 4, bar * every, kBottom - 6),
                       Qt::AlignLeft | Qt::AlignTop, label);
        }
    }
}

}  // namespace veldrant::app
