#include "widgets/Resources.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "tests/widgets/WidgetImages.h"

using namespace widget_test;

namespace {

uint32_t U32(const QByteArray& b, int at) {
    uint32_t v;
    std::memcpy(&v, b.constData() + at, 4);
    return v;
}

uint16_t U16(const QByteArray& b, int at) {
    uint16_t v;
    std::memcpy(&v, b.constData() + at, 2);
    return v;
}

bool IsTile(int id) {
    return id != IDB_LOGO && id != IDB_PROGRESS_DONE && id != IDB_PROGRESS_REST;
}
bool IsMarkTile(int id) {
    return (id >= 137 && id <= 139) || (id >= 150 && id <= 152);
}

bool IsOrange(QRgb p) {
    return qRed(p) > 180 && qGreen(p) > 70 && qGreen(p) < 210 && qBlue(p) < 110;
}

double MeanLuma(const QImage& image) {
    double sum = 0;
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (!SameRgb(p, ButtonTransparentColour().rgb())) {
                sum += qGray(p);
                ++n;
            }
        }
    }
    return sum / n;
}

}  // namespace

TEST(Resources, EveryBitmapIsAnUncompressed24BitBmpOfItsSize) {
    const std::vector<int> expected{137, 138, 139, 140, 141, 142, 145, 148,
                                    149, 150, 151, 152, 153, 154, 156};
    ASSERT_EQ(BitmapResourceIds(), expected);
    for (int id : BitmapResourceIds()) {
        SCOPED_TRACE(id);
        QFile file(BitmapResourcePath(id));
        ASSERT_TRUE(LoadBitmapResource(id).size() == BitmapResourceSize(id));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bmp = file.readAll();
        ASSERT_GE(bmp.size(), 54);
        EXPECT_EQ(bmp.left(2), QByteArray("BM"));
        EXPECT_EQ(U32(bmp, 14), 40u);  // BITMAPINFOHEADER
        EXPECT_EQ(static_cast<int>(U32(bmp, 18)), BitmapResourceSize(id).width());
        EXPECT_EQ(static_cast<int>(U32(bmp, 22)), BitmapResourceSize(id).height());
        EXPECT_EQ(U16(bmp, 28), 24);
        EXPECT_EQ(U32(bmp, 30), 0u);  // BI_RGB
    }
    EXPECT_EQ(BitmapResourceSize(IDB_MARK_OUT), QSize(140, 134));
    EXPECT_EQ(BitmapResourceSize(IDB_LOGO), QSize(100, 100));
    EXPECT_EQ(BitmapResourceSize(IDB_PROGRESS_DONE), QSize(510, 25));
    EXPECT_TRUE(LoadBitmapResource(146).isNull());
    EXPECT_TRUE(BitmapResourcePath(146).isEmpty());
}

TEST(Resources, ButtonImagesHaveTransparentCornersAndOpaqueMiddles) {
    const QRgb key = ButtonTransparentColour().rgb();
    for (int id : BitmapResourceIds()) {
        if (id == IDB_PROGRESS_DONE || id == IDB_PROGRESS_REST) {
            continue;
        }
        SCOPED_TRACE(id);
        const QImage image = LoadBitmapResource(id).toImage();
        const int r = image.width() - 1;
        const int b = image.height() - 1;
        for (QPoint c : {QPoint(0, 0), QPoint(r, 0), QPoint(0, b), QPoint(r, b), QPoint(2, 2)}) {
            EXPECT_TRUE(SameRgb(image.pixel(c), key)) << c.x() << "," << c.y();
        }
        EXPECT_FALSE(SameRgb(image.pixel(image.width() / 2, image.height() / 2), key));
        EXPECT_FALSE(SameRgb(image.pixel(image.width() / 2, 5), key));
    }
}

TEST(Resources, MarkTilesPointDownIntoTheLaptopAndTheOthersUp) {
    for (int id : {IDB_MARK_OUT, IDB_MARK_IN, IDB_MARK_BUSY, IDB_UPLOAD_OUT, IDB_UPLOAD_IN,
                   IDB_UPLOAD_BUSY}) {
        SCOPED_TRACE(id);
        const QImage image = LoadBitmapResource(id).toImage();
        // The arrow's head is wide; its shaft is not. Down: the head sits low, up: high.
        const bool headLow = IsOrange(image.pixel(80, 72));
        const bool headHigh = IsOrange(image.pixel(80, 26));
        EXPECT_EQ(headLow, IsMarkTile(id));
        EXPECT_EQ(headHigh, !IsMarkTile(id));
    }
}

TEST(Resources, VariantsDifferInTheirColouring) {
    auto ground = [](int id) { return LoadBitmapResource(id).toImage().pixel(30, 124); };
    for (int id : {IDB_MARK_OUT, IDB_UPLOAD_OUT}) {
        const QRgb g = ground(id);
        EXPECT_LE(std::abs(qRed(g) - qBlue(g)), 20) << id;  // grey tile
    }
    for (int id : {IDB_MARK_IN, IDB_UPLOAD_IN}) {
        const QRgb g = ground(id);
        EXPECT_GT(qBlue(g), qRed(g) + 30) << id;  // light blue
        EXPECT_GT(qGray(g), 150) << id;
    }
    for (int id : {IDB_MARK_ABSENT_IN, IDB_UPLOAD_ABSENT_IN}) {
        const QRgb g = ground(id);
        EXPECT_GT(qBlue(g), qRed(g) + 100) << id;  // strong blue
    }
    // Absent and refused tiles are grey all over, and refused and busy ones darker.
    for (int id :
         {IDB_MARK_ABSENT_OUT, IDB_UPLOAD_ABSENT_OUT, IDB_MARK_REFUSED, IDB_UPLOAD_REFUSED}) {
        const QImage image = LoadBitmapResource(id).toImage();
        const QRgb key = ButtonTransparentColour().rgb();
        EXPECT_EQ(CountPixels(image,
                              [&](QRgb p) {
                                  return !SameRgb(p, key) && (std::abs(qRed(p) - qGreen(p)) > 2 ||
                                                              std::abs(qGreen(p) - qBlue(p)) > 2);
                              }),
                  0)
            << id;
    }
    auto luma = [](int id) { return MeanLuma(LoadBitmapResource(id).toImage()); };
    EXPECT_LT(luma(IDB_MARK_BUSY), luma(IDB_MARK_OUT) - 10);
    EXPECT_LT(luma(IDB_UPLOAD_BUSY), luma(IDB_UPLOAD_OUT) - 10);
    EXPECT_LT(luma(IDB_MARK_REFUSED), luma(IDB_MARK_ABSENT_OUT) - 10);
    EXPECT_LT(luma(IDB_UPLOAD_REFUSED), luma(IDB_UPLOAD_ABSENT_OUT) - 10);
    // Every tile is its own picture.
    for (int a : BitmapResourceIds()) {
        for (int b : BitmapResourceIds()) {
            if (a < b && IsTile(a) && IsTile(b)) {
                EXPECT_NE(LoadBitmapResource(a).toImage(), LoadBitmapResource(b).toImage())
                    << a << " " << b;
            }
        }
    }
}

TEST(Resources, ProgressBarsAreGreenAndLightGreyOfTheSameShape) {
    const QImage done = LoadBitmapResource(IDB_PROGRESS_DONE).toImage();
    const QImage rest = LoadBitmapResource(IDB_PROGRESS_REST).toImage();
    const QRgb d = done.pixel(255, 12);
    const QRgb r = rest.pixel(255, 12);
    EXPECT_GT(qGreen(d), qRed(d) + 60);
    EXPECT_GT(qGreen(d), qBlue(d) + 60);
    EXPECT_LE(std::abs(qRed(r) - qBlue(r)), 8);
    EXPECT_GT(qGray(r), 190);
    // Glossy: the upper half is lighter than the lower.
    EXPECT_GT(qGray(done.pixel(255, 6)), qGray(done.pixel(255, 19)));
    EXPECT_GT(qGray(rest.pixel(255, 6)), qGray(rest.pixel(255, 19)));
    // Same outline: the corner pixels match.
    EXPECT_TRUE(SameRgb(done.pixel(0, 0), rest.pixel(0, 0)));
}

TEST(Resources, TheWindowIconHasSmallAndLargeImages) {
    const QIcon icon = WindowIcon();
    ASSERT_FALSE(icon.isNull());
    for (int size : {16, 32}) {
        const QImage image = icon.pixmap(size, size).toImage();
        EXPECT_EQ(image.size(), QSize(size, size));
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << size;
        EXPECT_EQ(qAlpha(image.pixel(size / 2, size / 2)), 255) << size;
    }
}
