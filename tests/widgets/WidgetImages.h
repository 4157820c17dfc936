#pragma once
// Small helpers for pixel checks on rendered widgets.

#include <QColor>
#include <QImage>
#include <QWidget>

#include <functional>

namespace widget_test {

// The widget as it paints itself, at one device pixel per logical pixel.
inline QImage Render(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// A button image as it should appear: its transparent pixels replaced by the background.
inline QImage Composite(const QImage& bitmap, QColor transparent, QColor background) {
    QImage out = bitmap.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y) {
        for (int x = 0; x < out.width(); ++x) {
            if ((out.pixel(x, y) & 0xFFFFFF) == (transparent.rgb() & 0xFFFFFF)) {
                out.setPixel(x, y, background.rgb());
            }
        }
    }
    return out;
}

// Number of pixels of `image` inside `area` (at `at` in image coordinates) that differ from
// `expected`, which is compared from its origin.
inline int CountDifferences(const QImage& image, QPoint at, const QImage& expected) {
    int n = 0;
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            if ((image.pixel(at.x() + x, at.y() + y) & 0xFFFFFF) !=
                (expected.pixel(x, y) & 0xFFFFFF)) {
                ++n;
            }
        }
    }
    return n;
}

inline int CountPixels(const QImage& image, const std::function<bool(QRgb)>& pred) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (pred(image.pixel(x, y))) {
                ++n;
            }
        }
    }
    return n;
}

inline bool SameRgb(QRgb a, QRgb b) {
    return (a & 0xFFFFFF) == (b & 0xFFFFFF);
}

}  // namespace widget_test
