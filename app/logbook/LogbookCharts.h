// The logbook's charts, painted with QPainter: a value per round over time with its rolling
// average, and a histogram of the scores. Each chart holds its own copy of the figures.
#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

#include <optional>
#include <vector>

namespace veldrant::app {

class CTrendChart : public QWidget {
    Q_OBJECT

public:
    struct Point {
        QString label;  // the round's date
        double value = 0;
        std::optional<double> average;  // rolling, when there are enough rounds
    };

    explicit CTrendChart(const QString& title, QWidget* parent = nullptr);
    void SetPoints(std::vector<Point> points);
    const std::vector<Point>& Points() const { return points_; }
    QSize sizeHint() const override { return {420, 200}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString title_;
    std::vector<Point> points_;
};

class CHistogramChart : public QWidget {
    Q_OBJECT

public:
    explicit CHistogramChart(const QString& title, QWidget* parent = nullptr);
    // The values counted into bins of `width` (scores: 18-hole totals).
    void SetValues(const std::vector<int>& values, int width);
    // Bin start and count, the lowest bin first.
    const std::vector<std::pair<int, int>>& Bins() const { return bins_; }
    QSize sizeHint() const override { return {420, 200}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString title_;
    int width_ = 1;
    std::vector<std::pair<int, int>> bins_;
};

}  // namespace veldrant::app
