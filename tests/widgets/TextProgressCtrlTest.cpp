#include "widgets/TextProgressCtrl.h"

#include <QCoreApplication>
#include <QPaintEvent>
#include <QTest>

#include <gtest/gtest.h>

#include "tests/widgets/WidgetImages.h"
#include "widgets/Resources.h"

using namespace widget_test;

namespace {

constexpr int kWidth = 510;
constexpr int kHeight = 25;
const QColor kDoneText(255, 0, 0);
const QColor kRestText(0, 0, 255);

// A bar as the main window has it, with text colours that are easy to tell apart.
struct Bar {
    CTextProgressCtrl ctrl;
    explicit Bar(int pos, const QString& text = QString()) {
        ctrl.resize(kWidth, kHeight);
        ctrl.SetRange(0, 100);
        ctrl.SetTextForeColour(kDoneText);
        ctrl.SetTextBkColour(kRestText);
        ctrl.SetPos(pos);
        ctrl.SetWindowText(text);
    }
    QImage Image() { return Render(ctrl); }
};

QImage Done() {
    return LoadBitmapResource(IDB_PROGRESS_DONE).toImage();
}
QImage Rest() {
    return LoadBitmapResource(IDB_PROGRESS_REST).toImage();
}

// The pixel the bar shows at (x, y) when no text is drawn: bitmap 154 left of the fill column,
// bitmap 156 from it on.
QRgb Background(int x, int y, int fill) {
    static const QImage done = Done();
    static const QImage rest = Rest();
    return x < fill ? done.pixel(x, y) : rest.pixel(x, y);
}

struct TextPixels {
    int left = 0;        // differing pixels left of the fill column
    int right = 0;       // from it on
    int leftWrong = 0;   // left ones tinted toward the rest colour
    int rightWrong = 0;  // right ones tinted toward the done colour
};

TextPixels FindText(const QImage& image, int fill) {
    TextPixels t;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            // Faint anti-aliasing fringes carry too little colour to tell which pen drew them.
            const QRgb got = image.pixel(x, y);
            const QRgb bg = Background(x, y, fill);
            const int diff = std::abs(qRed(got) - qRed(bg)) + std::abs(qGreen(got) - qGreen(bg)) +
                             std::abs(qBlue(got) - qBlue(bg));
            if (diff < 40) {
                continue;
            }
            if (x < fill) {
                ++t.left;
                t.leftWrong += qBlue(got) >= qRed(got);
            } else {
                ++t.right;
                t.rightWrong += qRed(got) >= qBlue(got);
            }
        }
    }
    return t;
}

}  // namespace

TEST(TextProgressCtrl, StartsAtZeroInZeroToHundredWithPaletteColours) {
    CTextProgressCtrl ctrl;
    int lower = -1;
    int upper = -1;
    ctrl.GetRange(lower, upper);
    EXPECT_EQ(lower, 0);
    EXPECT_EQ(upper, 100);
    EXPECT_EQ(ctrl.GetPos(), 0);
    EXPECT_EQ(ctrl.FillWidth(), -1);
    EXPECT_TRUE(ctrl.WindowText().isEmpty());
    EXPECT_EQ(ctrl.GetTextForeColour(), ctrl.palette().color(QPalette::Base));
    EXPECT_EQ(ctrl.GetTextBkColour(), ctrl.palette().color(QPalette::Highlight));
}

TEST(TextProgressCtrl, PositionZeroShowsOnlyTheRemainingBitmapAndNoText) {
    Bar bar(0);
    EXPECT_EQ(bar.ctrl.FillWidth(), 0);
    EXPECT_EQ(CountDifferences(bar.Image(), QPoint(0, 0), Rest()), 0);
}

TEST(TextProgressCtrl, PositionHundredShowsTheDoneBitmapAloneUnderItsText) {
    Bar bar(100);
    EXPECT_EQ(bar.ctrl.FillWidth(), kWidth);
    const QImage image = bar.Image();
    const TextPixels t = FindText(image, kWidth);
    EXPECT_GT(t.left, 20);
    EXPECT_EQ(t.leftWrong, 0);
    // Same picture as the text "100%" drawn explicitly.
    Bar explicitText(100, QStringLiteral("100%"));
    EXPECT_EQ(CountDifferences(image, QPoint(0, 0), explicitText.Image()), 0);
    // Away from the centred text it is bitmap 154 pixel for pixel.
    EXPECT_EQ(CountDifferences(image.copy(0, 0, 180, kHeight), QPoint(0, 0),
                               Done().copy(0, 0, 180, kHeight)),
              0);
}

TEST(TextProgressCtrl, PositionFiftyFillsExactly255PixelsAndSplitsTheTextThere) {
    Bar bar(50);
    EXPECT_EQ(bar.ctrl.FillWidth(), 255);
    const QImage image = bar.Image();
    // Rows above the text show the split bitmaps exactly.
    for (int x = 0; x < kWidth; ++x) {
        ASSERT_TRUE(SameRgb(image.pixel(x, 0), Background(x, 0, 255))) << "column " << x;
        ASSERT_TRUE(SameRgb(image.pixel(x, kHeight - 1), Background(x, kHeight - 1, 255)));
    }
    const TextPixels t = FindText(image, 255);
    EXPECT_GT(t.left, 10);
    EXPECT_GT(t.right, 10);
    EXPECT_EQ(t.leftWrong, 0);
    EXPECT_EQ(t.rightWrong, 0);
}

TEST(TextProgressCtrl, PercentageIsTheTruncatedWholeShare) {
    Bar one(1);
    EXPECT_EQ(one.ctrl.FillWidth(), 5);
    EXPECT_EQ(CountDifferences(one.Image(), QPoint(0, 0), Bar(1, "1%").Image()), 0);

    // 29 / 100 in doubles is a hair below 0.29; the bar must still read 29%.
    for (int pos : {29, 57, 58}) {
        EXPECT_EQ(CountDifferences(Bar(pos).Image(), QPoint(0, 0),
                                   Bar(pos, QString::number(pos) + "%").Image()),
                  0)
            << pos;
    }

    // A share above zero but below one per cent reads 0%.
    Bar tiny(0);
    tiny.ctrl.SetRange(0, 1000);
    tiny.ctrl.SetPos(5);
    Bar zeroText(0, "0%");
    zeroText.ctrl.SetRange(0, 1000);
    zeroText.ctrl.SetPos(5);
    const QImage tinyImage = tiny.Image();
    EXPECT_GT(FindText(tinyImage, tiny.ctrl.FillWidth()).right, 10);
    EXPECT_EQ(CountDifferences(tinyImage, QPoint(0, 0), zeroText.Image()), 0);
}

TEST(TextProgressCtrl, TextReplacesThePercentageUntilClearedAgain) {
    Bar percent(50);
    const QImage percentImage = percent.Image();

    Bar bar(50, QStringLiteral("完了しました。"));
    EXPECT_EQ(bar.ctrl.WindowText(), QStringLiteral("完了しました。"));
    const QImage textImage = bar.Image();
    EXPECT_GT(CountDifferences(textImage, QPoint(0, 0), percentImage), 50);
    const TextPixels t = FindText(textImage, 255);
    EXPECT_EQ(t.leftWrong, 0);
    EXPECT_EQ(t.rightWrong, 0);

    bar.ctrl.SetWindowText(QString());
    EXPECT_EQ(CountDifferences(bar.Image(), QPoint(0, 0), percentImage), 0);

    // A text shows even where the percentage would not.
    Bar atZero(0, QStringLiteral("地点データがありません。"));
    EXPECT_GT(FindText(atZero.Image(), 0).right, 50);
}

TEST(TextProgressCtrl, PositionsOutsideTheRangeAreHeldAtItsEnds) {
    Bar bar(40);
    EXPECT_EQ(bar.ctrl.SetPos(150), 40);
    EXPECT_EQ(bar.ctrl.GetPos(), 100);
    EXPECT_EQ(bar.ctrl.FillWidth(), kWidth);
    EXPECT_EQ(CountDifferences(bar.Image(), QPoint(0, 0), Bar(100).Image()), 0);
    EXPECT_EQ(bar.ctrl.SetPos(-7), 100);
    EXPECT_EQ(bar.ctrl.GetPos(), 0);
    EXPECT_EQ(CountDifferences(bar.Image(), QPoint(0, 0), Rest()), 0);
}

TEST(TextProgressCtrl, AnEmptyRangeDrawsNoBitmapAndDoesNotDivideByZero) {
    Bar bar(0);
    bar.ctrl.SetRange(5, 5);
    bar.ctrl.SetPos(5);
    EXPECT_EQ(bar.ctrl.FillWidth(), 0);
    const QRgb window = bar.ctrl.palette().color(QPalette::Window).rgb();
    EXPECT_EQ(CountPixels(bar.Image(), [&](QRgb p) { return !SameRgb(p, window); }), 0);
}

namespace {

class CountingBar : public CTextProgressCtrl {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override {
        ++paints;
        CTextProgressCtrl::paintEvent(event);
    }
};

}  // namespace

TEST(TextProgressCtrl, RepaintsOnlyWhenTheFillMovesByAWholePixel) {
    CountingBar bar;
    bar.resize(kWidth, kHeight);
    bar.SetRange(0, 1000);
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    QCoreApplication::processEvents();
    // The first position after a new range always paints: the fill is not measured yet.
    bar.paints = 0;
    bar.SetPos(0);
    EXPECT_EQ(bar.paints, 1);

    bar.paints = 0;
    bar.SetPos(1);  // 0.51 pixels: still 0
    EXPECT_EQ(bar.paints, 0);
    EXPECT_EQ(bar.GetPos(), 1);
    bar.SetPos(2);  // 1.02 pixels
    EXPECT_EQ(bar.paints, 1);
    EXPECT_EQ(bar.FillWidth(), 1);
    bar.SetPos(3);  // 1.53 pixels: still 1
    EXPECT_EQ(bar.paints, 1);

    // A new size forgets the measured fill, so the next position repaints.
    bar.resize(300, kHeight);
    QCoreApplication::processEvents();
    EXPECT_EQ(bar.FillWidth(), -1);
    bar.paints = 0;
    bar.SetPos(3);
    EXPECT_EQ(bar.paints, 1);
    EXPECT_EQ(bar.FillWidth(), 0);
}
