// The main window: its layout, its tabs and their refusal while busy, the keys it swallows, and
// the Exit button and Close command that an operation locks.
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>

#include <gtest/gtest.h>

#include "app/TabCtrl.h"
#include "course/Dialog2.h"
#include "firmware/Dialog1.h"
#include "marks/Dialog6.h"
#include "platform/WindowMenu.h"
#include "tests/app/GuiSupport.h"
#include "widgets/ButtonST.h"
#include "widgets/Dialog5.h"
#include "widgets/TextProgressCtrl.h"

using namespace veldrant::guitest;
using veldrant::g_bBusy;

namespace {

std::vector<QWidget*> Pages(CBrassieDlg& w) {
    return {w.PageForTab(0), w.PageForTab(1), w.PageForTab(2), w.PageForTab(3)};
}

// The window menu's Close item, where the platform's window has one.
void ExpectCloseItem(CBrassieDlg& w, bool enabled) {
    if (auto state = veldrant::platform::WindowCloseEnabled(std::uintptr_t(w.winId()))) {
        EXPECT_EQ(*state, enabled);
    }
}

// Only the page of `tab` is shown.
void ExpectOnlyPageShown(CBrassieDlg& w, int tab) {
    for (int i = 0; i < CBrassieDlg::kTabCount; ++i) {
        EXPECT_EQ(w.PageForTab(i)->isVisible(), i == tab) << "page of tab " << i;
    }
    EXPECT_EQ(w.TabCtrl()->GetCurSel(), tab);
}

}  // namespace

TEST(MainWindow, HasItsTitleTabsAndControlsAtTheirPlaces) {
    WindowRig rig({}, /*plugged=*/false);
    CBrassieDlg& w = rig.Open();
    EXPECT_EQ(w.windowTitle(), "Kestrune VELDRANT for KVT2700");
    EXPECT_FALSE(w.windowIcon().isNull());
    EXPECT_FALSE(w.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);

    QTabBar* bar = w.TabCtrl()->TabBar();
    ASSERT_EQ(bar->count(), 5);
    EXPECT_EQ(bar->tabText(0), "地点データ");
    EXPECT_EQ(bar->tabText(1), "コースデータ");
    EXPECT_EQ(bar->tabText(2), "ファームウェアアップデート");
    EXPECT_EQ(bar->tabText(3), "情報");
    EXPECT_EQ(bar->tabText(4), "ラウンド");
    EXPECT_EQ(bar->tabRect(0).height(), 21);

    EXPECT_EQ(w.TabCtrl()->objectName(), "tab1000");
    EXPECT_EQ(w.TabCtrl()->geometry(), QRect(13, 13, 698, 236));
    auto* progress = w.findChild<CTextProgressCtrl*>("progress1001");
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->geometry(), QRect(13, 270, 510, 25));
    int lower = -1, upper = -1;
    progress->GetRange(lower, upper);
    EXPECT_EQ(lower, 0);
    EXPECT_EQ(upper, 100);
    EXPECT_EQ(w.ExitButton()->objectName(), "button2");
    EXPECT_EQ(w.ExitButton()->text(), "終了");
    EXPECT_EQ(w.ExitButton()->geometry(), QRect(573, 271, 135, 23));
    // Everything fits in the window.
    for (QWidget* c : {static_cast<QWidget*>(w.TabCtrl()), static_cast<QWidget*>(progress),
                       static_cast<QWidget*>(w.ExitButton())}) {
        EXPECT_TRUE(w.rect().contains(c->geometry())) << c->objectName().toStdString();
    }
    // The pages fill the tab control less 4, 25, 4 and 4 pixels.
    for (QWidget* page : Pages(w)) {
        EXPECT_EQ(page->parentWidget(), w.TabCtrl());
        EXPECT_EQ(page->geometry(), QRect(4, 25, 690, 207));
    }
}

TEST(MainWindow, SharesOneJapaneseFontOf16PixelsWithTabsExitAndTexts) {
    WindowRig rig({}, false);
    CBrassieDlg& w = rig.Open();
    const QFont& font = w.SharedFont();
    EXPECT_EQ(font.pixelSize(), 16);
    EXPECT_EQ(QFontInfo(font).pixelSize(), 16);
    // Whatever face stands in for "MS UI gothic", it has the Japanese glyphs.
    QFontMetrics metrics(font);
    for (char32_t c : {U'地', U'ー', U'終', U'ア'})
        EXPECT_TRUE(metrics.inFontUcs4(c)) << int(c);
    EXPECT_EQ(w.TabCtrl()->font(), font);
    EXPECT_EQ(w.ExitButton()->font(), font);
    EXPECT_EQ(w.MarkPage()->StaticText()->font(), font);
    EXPECT_EQ(w.FirmwarePage()->VersionText()->font(), font);
}

TEST(MainWindow, StartsOnTheMarkPageWithTheOtherPagesHidden) {
    WindowRig rig({}, false);
    CBrassieDlg& w = rig.Open();
    EXPECT_EQ(w.PageForTab(0), static_cast<QWidget*>(w.MarkPage()));
    EXPECT_EQ(w.PageForTab(1), static_cast<QWidget*>(w.CoursePage()));
    EXPECT_EQ(w.PageForTab(2), static_cast<QWidget*>(w.FirmwarePage()));
    EXPECT_EQ(w.PageForTab(3), static_cast<QWidget*>(w.AboutPage()));
    ExpectOnlyPageShown(w, 0);
    EXPECT_EQ(g_bBusy.load(), 0);
    EXPECT_TRUE(w.ExitButton()->isEnabled());
}

TEST(MainWindow, ATabClickShowsItsPageButNotWhileAnOperationRuns) {
    WindowRig rig({}, false);
    CBrassieDlg& w = rig.Open();
    for (int tab : {2, 3, 1, 0}) {
        ClickTab(w, tab);
        ExpectOnlyPageShown(w, tab);
    }

    ClickTab(w, 2);
    g_bBusy.store(1);
    ClickTab(w, 1);
    ExpectOnlyPageShown(w, 2);
    QTabBar* bar = w.TabCtrl()->TabBar();
    QTest::keyClick(bar, Qt::Key_Right);
    QTest::keyClick(bar, Qt::Key_Left);
    QTest::mouseDClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(0).center());
    ExpectOnlyPageShown(w, 2);

    g_bBusy.store(0);
    ClickTab(w, 1);
    ExpectOnlyPageShown(w, 1);
}

TEST(MainWindow, EscapeAndEnterDoNothingInTheWindowOrAnyPage) {
    WindowRig rig({}, false);
    CBrassieDlg& w = rig.Open();
    QSignalSpy exitClicks(w.ExitButton(), &QPushButton::clicked);
    std::vector<std::unique_ptr<QSignalSpy>> pageClicks;
    for (auto* button : w.findChildren<CButtonST*>("button1002")) {
        pageClicks.push_back(std::make_unique<QSignalSpy>(button, &QAbstractButton::clicked));
    }
    ASSERT_EQ(pageClicks.size(), 3u);

    std::vector<QWidget*> targets = {&w, w.ExitButton(), w.TabCtrl()->TabBar()};
    for (int tab = 0; tab < CBrassieDlg::kTabCount; ++tab) {
        w.TabCtrl()->SetCurSel(tab);
        targets.push_back(w.PageForTab(tab));
    }
    for (auto* button : w.findChildren<CButtonST*>())
        targets.push_back(button);
    for (QWidget* target : targets) {
        for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
            QTest::keyClick(target, key);
            ASSERT_TRUE(w.isVisible()) << target->metaObject()->className() << " key " << key;
        }
    }
    EXPECT_EQ(w.result(), 0);
    EXPECT_EQ(exitClicks.count(), 0);
    for (auto& spy : pageClicks)
        EXPECT_EQ(spy->count(), 0);
}

TEST(MainWindow, ExitAndCloseEndTheWindowButNotWhileAnOperationRuns) {
    WindowRig rig({}, false);
    CBrassieDlg& w = rig.Open();

    ExpectCloseItem(w, true);
    w.LockForOperation(true);
    EXPECT_FALSE(w.ExitButton()->isEnabled());
    ExpectCloseItem(w, false);
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.isVisible());
    // Locks nest: the controls come back with the last one.
    w.LockForOperation(true);
    w.LockForOperation(false);
    EXPECT_FALSE(w.ExitButton()->isEnabled());
    ExpectCloseItem(w, false);
    w.LockForOperation(false);
    EXPECT_TRUE(w.ExitButton()->isEnabled());
    ExpectCloseItem(w, true);

    // The busy flag alone, set by a worker before its locks arrive, also keeps the window.
    g_bBusy.store(1);
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.isVisible());
    g_bBusy.store(0);

    Click(w.ExitButton());
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.result(), QDialog::Rejected);
}
