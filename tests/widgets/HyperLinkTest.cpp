#include "widgets/HyperLink.h"

#include <QCoreApplication>
#include <QEnterEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

#include "tests/widgets/WidgetImages.h"
#include "widgets/HyperLinkErrors.h"
#include "widgets/UiFont.h"

using namespace widget_test;

namespace {

const QString kUrl = QStringLiteral("https://www.kestrune.example/");

struct Shown {
    QString caption;
    QString text;
};

// A link on a page, with the opener and the message box replaced by recorders.
struct Link {
    QWidget page;
    CHyperLink* link;
    int openResult = kOpenSucceeded;
    std::vector<QString> opened;
    std::vector<Shown> shown;

    Link() {
        page.resize(400, 100);
        link = new CHyperLink(kUrl, &page);
        link->setGeometry(20, 30, 300, 40);
        link->setFont(MakeGothicFont(14));
        link->SetOpener([this](const QString& target) {
            opened.push_back(target);
            return openResult;
        });
        link->SetNotifier([this](const QString& caption, const QString& text) {
            shown.push_back({caption, text});
        });
        link->SetURL(kUrl);
    }
    void Click() {
        const QPointF at(3, 3);
        QMouseEvent press(QEvent::MouseButtonPress, at, at, Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, at, at, Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QCoreApplication::sendEvent(link, &press);
        QCoreApplication::sendEvent(link, &release);
    }
    void Enter() {
        QEnterEvent enter(QPointF(3, 3), QPointF(3, 3), QPointF(3, 3));
        QCoreApplication::sendEvent(link, &enter);
    }
    void Leave() {
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(link, &leave);
    }
    int PixelsOf(QColor c) {
        return CountPixels(Render(*link), [&](QRgb p) { return SameRgb(p, c.rgb()); });
    }
};

// The underline is a solid run of the pen colour, so a drawn colour shows exactly.
void ExpectDrawnIn(Link& l, QColor want, std::vector<QColor> notWanted) {
    EXPECT_GT(l.PixelsOf(want), 10) << want.name().toStdString();
    for (const QColor& c : notWanted) {
        EXPECT_EQ(l.PixelsOf(c), 0) << c.name().toStdString();
    }
}

}  // namespace

TEST(HyperLink, DrawsInLinkThenVisitedColourAndHoverColourWhileOver) {
    Link l;
    const QColor link(0, 0, 238);
    const QColor visited(85, 26, 139);
    const QColor hover = l.link->palette().color(QPalette::Highlight);
    ASSERT_NE(hover, link);
    EXPECT_EQ(l.link->GetHoverColour(), hover);

    ExpectDrawnIn(l, link, {visited, hover});

    l.Enter();
    EXPECT_TRUE(l.link->IsPointerOver());
    ExpectDrawnIn(l, hover, {link, visited});
    l.Leave();
    EXPECT_FALSE(l.link->IsPointerOver());

    l.Click();
    ASSERT_EQ(l.opened.size(), 1u);
    EXPECT_EQ(l.opened[0], kUrl);
    EXPECT_TRUE(l.link->GetVisited());
    EXPECT_TRUE(l.shown.empty());
    ExpectDrawnIn(l, visited, {link, hover});

    // Hover wins whatever the visited state.
    l.Enter();
    ExpectDrawnIn(l, hover, {link, visited});
}

TEST(HyperLink, AFailedOpenExplainsItselfAndReturnsToTheLinkColour) {
    Link l;
    l.Click();
    ASSERT_TRUE(l.link->GetVisited());

    l.openResult = kOpenSharingViolation;
    l.Click();
    EXPECT_FALSE(l.link->GetVisited());
    ASSERT_EQ(l.shown.size(), 1u);
    EXPECT_EQ(l.shown[0].text,
              QStringLiteral("Unable to open hyperlink:\n\nA sharing violation occurred. "));
    EXPECT_FALSE(l.shown[0].caption.isEmpty());
    ExpectDrawnIn(l, QColor(0, 0, 238), {QColor(85, 26, 139)});

    l.openResult = 4;
    l.Click();
    ASSERT_EQ(l.shown.size(), 2u);
    EXPECT_EQ(l.shown[1].text,
              QStringLiteral("Unable to open hyperlink:\n\nUnknown Error (4) occurred."));

    // 32 is the last failure code, 33 the first success.
    l.openResult = 32;
    l.Click();
    EXPECT_EQ(l.shown.size(), 3u);
    l.openResult = 33;
    l.Click();
    EXPECT_EQ(l.shown.size(), 3u);
    EXPECT_TRUE(l.link->GetVisited());
}

TEST(HyperLink, OnlyAPressAndReleaseInsideIsAClick) {
    Link l;
    const QPointF inside(3, 3);
    const QPointF outside(-5, 3);
    QMouseEvent press(QEvent::MouseButtonPress, inside, inside, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent releaseOut(QEvent::MouseButtonRelease, outside, outside, Qt::LeftButton,
                           Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(l.link, &press);
    QCoreApplication::sendEvent(l.link, &releaseOut);
    QMouseEvent rightPress(QEvent::MouseButtonPress, inside, inside, Qt::RightButton,
                           Qt::RightButton, Qt::NoModifier);
    QMouseEvent rightRelease(QEvent::MouseButtonRelease, inside, inside, Qt::RightButton,
                             Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(l.link, &rightPress);
    QCoreApplication::sendEvent(l.link, &rightRelease);
    EXPECT_TRUE(l.opened.empty());
}

TEST(HyperLink, TheKeyboardReachesTheLinkAndSpaceOrEnterOpensIt) {
    struct Case {
        Qt::Key key;
        size_t opens;
    };
    for (Case c : {Case{Qt::Key_Space, 1}, Case{Qt::Key_Return, 1}, Case{Qt::Key_Enter, 1},
                   Case{Qt::Key_A, 0}}) {
        Link l;
        EXPECT_TRUE(l.link->focusPolicy() & Qt::TabFocus);
        QTest::keyClick(l.link, c.key);
        EXPECT_EQ(l.opened.size(), c.opens) << c.key;
    }
}

TEST(HyperLink, ADoubleClickOpensTheTargetOnce) {
    // P press, R release, D double click, each of the left button inside the link.
    struct Case {
        const char* events;
        size_t opens;
    };
    for (const Case& c : {Case{"PR", 1}, Case{"PRPR", 2}, Case{"PRPDR", 1}, Case{"PRDR", 1},
                          Case{"PRPDRPR", 2}, Case{"PRPDRPRPDR", 2}}) {
        Link l;
        const QPointF at(3, 3);
        for (const char* e = c.events; *e; ++e) {
            const QEvent::Type type = *e == 'P'   ? QEvent::MouseButtonPress
                                      : *e == 'D' ? QEvent::MouseButtonDblClick
                                                  : QEvent::MouseButtonRelease;
            const Qt::MouseButtons held = *e == 'R' ? Qt::NoButton : Qt::LeftButton;
            QMouseEvent event(type, at, at, Qt::LeftButton, held, Qt::NoModifier);
            QCoreApplication::sendEvent(l.link, &event);
        }
        EXPECT_EQ(l.opened.size(), c.opens) << c.events;
        EXPECT_TRUE(l.link->GetVisited()) << c.events;
    }
}

TEST(HyperLink, CarriesItsTargetAsTooltipWithHandCursorAndUnderline) {
    Link l;
    EXPECT_EQ(l.link->GetURL(), kUrl);
    EXPECT_EQ(l.link->toolTip(), kUrl);
    EXPECT_EQ(l.link->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(l.link->font().underline());
    // A font given later keeps the underline.
    l.link->setFont(MakeGothicFont(16));
    EXPECT_TRUE(l.link->font().underline());
    l.link->SetUnderline(false);
    EXPECT_FALSE(l.link->font().underline());

    // An empty label takes its target as its text.
    CHyperLink empty;
    empty.SetURL(kUrl);
    EXPECT_EQ(empty.text(), kUrl);
}

TEST(HyperLink, FittingShrinksToTheTextKeepingTheAlignedSideOrCentre) {
    Link l;
    const QSize text = QFontMetrics(l.link->font()).size(Qt::TextSingleLine, kUrl);
    // Left and top aligned, like a plain static text.
    EXPECT_EQ(l.link->geometry(), QRect(20, 30, text.width(), text.height()));

    auto fitted = [&](Qt::Alignment align) {
        l.link->setAlignment(align);
        l.link->setGeometry(20, 30, 301, 41);
        l.link->SetAutoSize(true);
        return l.link->geometry();
    };
    const QRect centred = fitted(Qt::AlignHCenter | Qt::AlignVCenter);
    EXPECT_LE(std::abs((centred.left() + centred.right()) - (20 + 320)), 1);
    EXPECT_LE(std::abs((centred.top() + centred.bottom()) - (30 + 70)), 1);
    EXPECT_LE(centred.width() - text.width(), 1);
    EXPECT_LE(centred.height() - text.height(), 1);

    const QRect right = fitted(Qt::AlignRight | Qt::AlignTop);
    EXPECT_EQ(right.right(), 320);
    EXPECT_EQ(right.width(), text.width());

    // With fitting off the geometry stays as given.
    l.link->SetAutoSize(false);
    l.link->setGeometry(20, 30, 301, 41);
    l.link->SetURL(kUrl);
    EXPECT_EQ(l.link->geometry(), QRect(20, 30, 301, 41));
}

namespace {

class CountingLink : public CHyperLink {
public:
    using CHyperLink::CHyperLink;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override {
        ++paints;
        CHyperLink::paintEvent(event);
    }
};

}  // namespace

TEST(HyperLink, PassingOverRedrawsOnEnterAndOnLeaveAndGrabsNothing) {
    QWidget page;
    page.resize(300, 60);
    auto* link = new CountingLink(kUrl, &page);
    link->move(10, 10);
    link->SetURL(kUrl);
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    QCoreApplication::processEvents();

    link->paints = 0;
    QEnterEvent enter(QPointF(3, 3), QPointF(13, 13), QPointF(13, 13));
    QCoreApplication::sendEvent(link, &enter);
    EXPECT_EQ(link->paints, 1);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(link, &leave);
    EXPECT_EQ(link->paints, 2);
    EXPECT_FALSE(link->IsPointerOver());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
}

TEST(HyperLinkErrors, MultiLineTextsAndUnlistedResults) {
    EXPECT_EQ(HyperLinkErrorMessage(30),
              "Unable to open hyperlink:\n\nThe DDE transaction could not\nbe completed because "
              "other DDE transactions\nwere being processed.");
    EXPECT_EQ(HyperLinkErrorText(-1), "Unknown Error (-1) occurred.");
}
