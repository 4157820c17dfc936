// The window for a screen reader and the keyboard: every control the Tab key reaches has a
// name, in a sensible order; the picture buttons say their job and the watch's state; the bar
// gives its text (the rounds table's headers: RoundsPageTest).
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QPushButton>
#include <QTabBar>
#include <QTest>

#include <gtest/gtest.h>

#include "app/DevicePage.h"
#include "app/RoundsPage.h"
#include "app/TabCtrl.h"
#include "course/Dialog2.h"
#include "firmware/Dialog1.h"
#include "marks/Dialog6.h"
#include "tests/app/GuiSupport.h"
#include "widgets/ButtonST.h"
#include "widgets/TextProgressCtrl.h"

using namespace veldrant::guitest;
using veldrant::app::CDevicePage;

namespace {

QString Text(QObject* object, QAccessible::Text which) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(object);
    return a ? a->text(which) : QStringLiteral("(no interface)");
}

// The widgets the Tab key visits from the tab row until it comes back there.
std::vector<QWidget*> TabWalk(CBrassieDlg& w) {
    std::vector<QWidget*> seen;
    QWidget* start = w.TabCtrl()->TabBar();
    start->setFocus(Qt::TabFocusReason);
    if (QApplication::focusWidget() != start)
        return seen;
    QWidget* now = start;
    do {
        seen.push_back(now);
        QTest::keyClick(now, Qt::Key_Tab);
        now = QApplication::focusWidget();
    } while (now && now != start && seen.size() < 20);
    return seen;
}

}  // namespace

TEST(Accessibility, TheKeyboardReachesEveryControlOfEachTabInOrderAndEachHasAName) {
    WindowRig rig;
    CBrassieDlg& w = rig.Open();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    for (int tab = 0; tab < CBrassieDlg::kTabCount; ++tab) {
        ClickTab(w, tab);
        ASSERT_EQ(w.TabCtrl()->GetCurSel(), tab);
        std::vector<QWidget*> walk = TabWalk(w);
        ASSERT_GE(walk.size(), 3u) << "tab " << tab;
        EXPECT_EQ(walk.front(), w.TabCtrl()->TabBar()) << "tab " << tab;
        EXPECT_EQ(walk.back(), w.ExitButton()) << "tab " << tab;
        for (QWidget* widget : walk) {
            EXPECT_FALSE(Text(widget, QAccessible::Name).isEmpty())
                << "tab " << tab << ": " << widget->metaObject()->className() << " "
                << widget->objectName().toStdString();
        }
        for (size_t i = 1; i + 1 < walk.size(); ++i) {
            EXPECT_TRUE(w.TabCtrl()->isAncestorOf(walk[i]) && walk[i]->isVisible())
                << "tab " << tab << ": " << walk[i]->objectName().toStdString()
                << " is not on the shown page";
        }
    }
    // A device page: its picture button alone between the tabs and Exit.
    ClickTab(w, 2);
    std::vector<QWidget*> firmware = TabWalk(w);
    EXPECT_EQ(firmware, (std::vector<QWidget*>{w.TabCtrl()->TabBar(),
                                               w.FirmwarePage()->StartButton(), w.ExitButton()}));
}

TEST(Accessibility, PictureButtonsSayTheirJobAndWhetherTheWatchIsConnected) {
    for (bool plugged : {true, false}) {
        WindowRig rig({}, plugged);
        CBrassieDlg& w = rig.Open();
        if (plugged) {
            ASSERT_TRUE(rig.WaitConnected());
            ASSERT_TRUE(rig.WaitFacesSettled());
        }
        struct Case {
            CDevicePage* page;
            const char* job;
        };
        for (Case c : {Case{w.MarkPage(), "地点データの取り込み"},
                       Case{w.CoursePage(), "ゴルフ場データのアップデート"},
                       Case{w.FirmwarePage(), "ファームウェアのアップデート"}}) {
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(c.page->StartButton());
            ASSERT_NE(a, nullptr);
            EXPECT_EQ(a->role(), QAccessible::Button);
            EXPECT_EQ(a->text(QAccessible::Name), c.job);
            EXPECT_EQ(a->text(QAccessible::Description),
                      plugged ? "端末が接続されています。" : "端末が接続されていません。")
                << c.job;
        }
        if (!plugged)
            continue;
        // While the open dialog is up the button is busy.
        QString whileOpen;
        rig.Dialogs().whileOpen = [&] {
            whileOpen = Text(w.CoursePage()->StartButton(), QAccessible::Description);
        };
        ClickTab(w, 1);
        Click(w.CoursePage()->StartButton());
        EXPECT_EQ(whileOpen, "実行中です。");
        EXPECT_EQ(Text(w.CoursePage()->StartButton(), QAccessible::Description),
                  "端末が接続されています。");
    }
}

TEST(Accessibility, TheProgressBarGivesItsPositionAndItsText) {
    WindowRig rig({}, false);
    CBrassieDlg& w = rig.Open();
    CTextProgressCtrl& bar = w.ProgressBar();
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(&bar);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->role(), QAccessible::ProgressBar);
    EXPECT_EQ(a->text(QAccessible::Name), "進行状況");
    ASSERT_NE(a->valueInterface(), nullptr);
    struct Case {
        int pos;
        const char* text;
        const char* value;
    };
    for (Case c : {Case{40, "", "40%"}, Case{100, "完了しました。", "完了しました。"},
                   Case{0, "地点データがありません。", "地点データがありません。"}}) {
        bar.SetPos(c.pos);
        bar.SetWindowText(QString::fromUtf8(c.text));
        EXPECT_EQ(a->text(QAccessible::Value), c.value);
        EXPECT_EQ(a->valueInterface()->currentValue().toInt(), c.pos);
    }
    EXPECT_EQ(a->valueInterface()->maximumValue().toInt(), 100);
}
