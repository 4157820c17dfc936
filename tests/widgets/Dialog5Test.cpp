#include "widgets/Dialog5.h"

#include <QCoreApplication>
#include <QDialog>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QLabel>

#include <gtest/gtest.h>

#include "tests/widgets/WidgetImages.h"
#include "widgets/ButtonST.h"
#include "widgets/HyperLink.h"
#include "widgets/Resources.h"

using namespace widget_test;

TEST(Dialog5, ShowsTheFiveLineTextWithTheSharedFont) {
    QFont shared("Sans Serif");
    shared.setPixelSize(16);
    CDialog5 page(shared, nullptr);
    EXPECT_EQ(page.AboutText()->text(),
              QStringLiteral("Kestrune VELDRANT For KVT2700\n\nVer 1.01\n\n") +
                  page.AboutText()->text().section('\n', 4));
    EXPECT_EQ(page.AboutText()->text().count('\n'), 5);
    EXPECT_TRUE(page.AboutText()->text().endsWith('\n'));
    EXPECT_FALSE(page.AboutText()->text().section('\n', 4, 4).isEmpty());
    EXPECT_EQ(page.AboutText()->font().pixelSize(), 16);
    EXPECT_EQ(page.AboutText()->geometry(), QRect(171, 49, 542, 166));
}

TEST(Dialog5, TheLogoIsADisabledPictureThatLooksTheSameUnderThePointer) {
    CDialog5 page;
    CButtonST* picture = page.Picture();
    EXPECT_FALSE(picture->isEnabled());
    EXPECT_EQ(picture->geometry(), QRect(29, 39, 123, 124));
    const QImage rest = Render(page);
    // Centred in the 123 x 124 button, with the page showing through its corners.
    const QColor pageColour = QColor::fromRgb(rest.pixel(2, 2));
    const QImage logo =
        Composite(LoadBitmapResource(IDB_LOGO).toImage(), ButtonTransparentColour(), pageColour);
    EXPECT_EQ(CountDifferences(rest, QPoint(29 + 11, 39 + 12), logo), 0);
    QEnterEvent enter(QPointF(50, 50), QPointF(50, 50), QPointF(50, 50));
    QCoreApplication::sendEvent(picture, &enter);
    EXPECT_EQ(CountDifferences(Render(page), QPoint(0, 0), rest), 0);
}

TEST(Dialog5, TheLinkPointsAtTheMakerAndFitsItsText) {
    CDialog5 page;
    CHyperLink* link = page.Link();
    EXPECT_EQ(link->GetURL(), QString::fromLatin1(kMakerWebAddress));
    EXPECT_EQ(link->text(), link->GetURL());
    EXPECT_TRUE(link->font().underline());
    EXPECT_EQ(link->font().pixelSize(), 14);
    EXPECT_EQ(link->pos(), QPoint(171, 146));
    EXPECT_LT(link->width(), 231);
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
}

TEST(Dialog5, EnterAndEscapeNeitherConfirmNorCloseTheWindow) {
    QDialog window;
    CDialog5* page = new CDialog5(&window);
    window.show();
    for (int key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(page, &press);
        EXPECT_TRUE(press.isAccepted());
    }
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.result(), 0);
}
