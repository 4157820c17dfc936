#include "widgets/ButtonST.h"

#include <QCoreApplication>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include "tests/widgets/WidgetImages.h"
#include "widgets/Resources.h"

using namespace widget_test;

namespace {

// Two pixels of room around the 140 x 134 image, so the border and the shift both show.
constexpr int kButtonW = 144;
constexpr int kButtonH = 138;
const QPoint kImageAt(2, 2);
const QColor kBackground(255, 0, 255);  // not in any artwork, so transparency is obvious

struct Button {
    CButtonST btn;
    explicit Button(int in = IDB_UPLOAD_IN, int out = IDB_UPLOAD_OUT) {
        btn.resize(kButtonW, kButtonH);
        btn.SetBkColor(kBackground);
        EXPECT_EQ(btn.SetBitmaps(in, ButtonTransparentColour(), out, ButtonTransparentColour()),
                  CButtonST::BTNST_OK);
    }
    void Hover() {
        QEnterEvent enter(QPointF(10, 10), QPointF(10, 10), QPointF(10, 10));
        QCoreApplication::sendEvent(&btn, &enter);
    }
    void Move(QPoint at, Qt::MouseButtons held) {
        QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(at), Qt::NoButton, held,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(&btn, &move);
    }
    QImage Image() { return Render(btn); }
};

QImage Expected(int id) {
    return Composite(LoadBitmapResource(id).toImage(), ButtonTransparentColour(), kBackground);
}

// Colour of the frame's four edges, sampled away from the corners.
struct Frame {
    QRgb top, left, bottom, right;
};

Frame FrameOf(const QImage& image) {
    const int w = image.width();
    const int h = image.height();
    return {image.pixel(w / 2, 0), image.pixel(0, h / 2), image.pixel(w / 2, h - 1),
            image.pixel(w - 1, h / 2)};
}

bool IsBackground(QRgb p) {
    return SameRgb(p, kBackground.rgb());
}

}  // namespace

TEST(ButtonST, AtRestShowsImageOutCentredWithItsCornersTransparentAndNoBorder) {
    Button b;
    EXPECT_FALSE(b.btn.IsPointerOver());
    const QImage image = b.Image();
    EXPECT_EQ(CountDifferences(image, kImageAt, Expected(IDB_UPLOAD_OUT)), 0);
    // The corners of the tile let the background through.
    EXPECT_TRUE(IsBackground(image.pixel(kImageAt.x(), kImageAt.y())));
    EXPECT_TRUE(IsBackground(image.pixel(kImageAt.x() + 139, kImageAt.y() + 133)));
    const Frame f = FrameOf(image);
    for (QRgb p : {f.top, f.left, f.bottom, f.right}) {
        EXPECT_TRUE(IsBackground(p));
    }
}

TEST(ButtonST, HoveredShowsImageInWithARaisedBorder) {
    Button b;
    b.Hover();
    EXPECT_TRUE(b.btn.IsPointerOver());
    const QImage image = b.Image();
    EXPECT_EQ(CountDifferences(image, kImageAt, Expected(IDB_UPLOAD_IN)), 0);
    const Frame f = FrameOf(image);
    const QRgb light = b.btn.palette().color(QPalette::Light).rgb();
    const QRgb dark = b.btn.palette().color(QPalette::Dark).rgb();
    EXPECT_TRUE(SameRgb(f.top, light));
    EXPECT_TRUE(SameRgb(f.left, light));
    EXPECT_TRUE(SameRgb(f.bottom, dark));
    EXPECT_TRUE(SameRgb(f.right, dark));
}

TEST(ButtonST, PressedShowsImageInOnePixelRightAndDownWithASunkenBorder) {
    Button b;
    b.Hover();
    b.btn.setDown(true);
    const QImage image = b.Image();
    EXPECT_EQ(CountDifferences(image, kImageAt + QPoint(1, 1), Expected(IDB_UPLOAD_IN)), 0);
    EXPECT_GT(CountDifferences(image, kImageAt, Expected(IDB_UPLOAD_IN)), 100);
    const Frame f = FrameOf(image);
    const QRgb light = b.btn.palette().color(QPalette::Light).rgb();
    const QRgb dark = b.btn.palette().color(QPalette::Dark).rgb();
    EXPECT_TRUE(SameRgb(f.top, dark));
    EXPECT_TRUE(SameRgb(f.left, dark));
    EXPECT_TRUE(SameRgb(f.bottom, light));
    EXPECT_TRUE(SameRgb(f.right, light));
}

TEST(ButtonST, WithoutBorderHoverChangesOnlyTheImage) {
    Button b;
    b.btn.DrawBorder(false);
    b.Hover();
    const QImage image = b.Image();
    EXPECT_EQ(CountDifferences(image, kImageAt, Expected(IDB_UPLOAD_IN)), 0);
    const Frame f = FrameOf(image);
    EXPECT_TRUE(IsBackground(f.top) && IsBackground(f.left));
    EXPECT_TRUE(IsBackground(f.bottom) && IsBackground(f.right));
}

TEST(ButtonST, ImageInAloneShowsInEveryState) {
    Button b(IDB_MARK_BUSY, 0);
    const QImage expected = Expected(IDB_MARK_BUSY);
    EXPECT_EQ(CountDifferences(b.Image(), kImageAt, expected), 0);
    b.Hover();
    EXPECT_EQ(CountDifferences(b.Image(), kImageAt, expected), 0);
    b.btn.setDown(true);
    EXPECT_EQ(CountDifferences(b.Image(), kImageAt + QPoint(1, 1), expected), 0);
}

TEST(ButtonST, DisabledLooksExactlyLikeAtRestAndForgetsTheHover) {
    Button b;
    const QImage rest = b.Image();
    b.Hover();
    b.btn.setEnabled(false);
    EXPECT_FALSE(b.btn.IsPointerOver());
    EXPECT_EQ(CountDifferences(b.Image(), QPoint(0, 0), rest), 0);
    // Even a hover that arrives while disabled leaves the rest picture.
    b.Hover();
    EXPECT_EQ(CountDifferences(b.Image(), QPoint(0, 0), rest), 0);
}

TEST(ButtonST, PointerTrackingFollowsMovesLeavesAndFocusLoss) {
    Button b;
    // Sliding in with the left button held is a drag from elsewhere, not a hover.
    b.Move(QPoint(20, 20), Qt::LeftButton);
    EXPECT_FALSE(b.btn.IsPointerOver());
    b.Move(QPoint(20, 20), Qt::NoButton);
    EXPECT_TRUE(b.btn.IsPointerOver());
    // Once hovered, holding the button keeps it; leaving the rectangle clears it.
    b.Move(QPoint(30, 30), Qt::LeftButton);
    EXPECT_TRUE(b.btn.IsPointerOver());
    b.Move(QPoint(kButtonW + 5, 30), Qt::LeftButton);
    EXPECT_FALSE(b.btn.IsPointerOver());

    b.Hover();
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&b.btn, &leave);
    EXPECT_FALSE(b.btn.IsPointerOver());

    b.Hover();
    QFocusEvent focusOut(QEvent::FocusOut);
    QCoreApplication::sendEvent(&b.btn, &focusOut);
    EXPECT_FALSE(b.btn.IsPointerOver());
}

TEST(ButtonST, AnUnknownBitmapLeavesTheButtonBlank) {
    Button b;
    EXPECT_EQ(b.btn.SetBitmaps(9999, ButtonTransparentColour(), IDB_UPLOAD_OUT,
                               ButtonTransparentColour()),
              CButtonST::BTNST_INVALIDRESOURCE);
    EXPECT_FALSE(b.btn.HasImages());
    EXPECT_EQ(CountPixels(b.Image(), [](QRgb p) { return !IsBackground(p); }), 0);

    Button outBad;
    EXPECT_EQ(outBad.btn.SetBitmaps(IDB_UPLOAD_IN, ButtonTransparentColour(), 9999,
                                    ButtonTransparentColour()),
              CButtonST::BTNST_INVALIDRESOURCE);
    EXPECT_FALSE(outBad.btn.HasImages());

    // No image In at all is not an error, just an empty button.
    Button none;
    EXPECT_EQ(none.btn.SetBitmaps(0, QColor()), CButtonST::BTNST_OK);
    EXPECT_FALSE(none.btn.HasImages());
    EXPECT_EQ(CountPixels(none.Image(), [](QRgb p) { return !IsBackground(p); }), 0);
}

TEST(ButtonST, OnlyTheExactTransparentColourIsDropped) {
    QImage in(4, 1, QImage::Format_RGB32);
    in.setPixel(0, 0, qRgb(0, 255, 255));
    in.setPixel(1, 0, qRgb(0, 255, 254));
    in.setPixel(2, 0, qRgb(1, 255, 255));
    in.setPixel(3, 0, qRgb(0, 0, 0));
    CButtonST btn;
    btn.resize(4, 1);
    btn.SetBkColor(kBackground);
    ASSERT_EQ(btn.SetBitmaps(in, ButtonTransparentColour()), CButtonST::BTNST_OK);
    const QImage image = Render(btn);
    EXPECT_TRUE(IsBackground(image.pixel(0, 0)));
    EXPECT_TRUE(SameRgb(image.pixel(1, 0), qRgb(0, 255, 254)));
    EXPECT_TRUE(SameRgb(image.pixel(2, 0), qRgb(1, 255, 255)));
    EXPECT_TRUE(SameRgb(image.pixel(3, 0), qRgb(0, 0, 0)));
}

TEST(ButtonST, AClickIsReportedAsAnOrdinaryButtonClick) {
    Button b;
    QSignalSpy clicked(&b.btn, &QAbstractButton::clicked);
    const QPointF at(40, 40);
    QMouseEvent press(QEvent::MouseButtonPress, at, at, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, at, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(&b.btn, &press);
    EXPECT_TRUE(b.btn.isDown());
    QCoreApplication::sendEvent(&b.btn, &release);
    EXPECT_EQ(clicked.count(), 1);
    // The second half of a double click is a press of its own.
    QMouseEvent dbl(QEvent::MouseButtonDblClick, at, at, Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
    QCoreApplication::sendEvent(&b.btn, &dbl);
    QCoreApplication::sendEvent(&b.btn, &release);
    EXPECT_EQ(clicked.count(), 2);
    EXPECT_EQ(b.btn.focusPolicy(), Qt::StrongFocus);
}
