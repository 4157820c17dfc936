// The logbook window over a small logbook: its rounds newest first, the statistics of the
// cards, a round removed after the golfer confirms, and a file that is no logbook refused.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>

#include "app/RoundsPage.h"
#include "app/logbook/LogbookCharts.h"
#include "app/logbook/LogbookWindow.h"
#include "app/logbook/ParEditor.h"
#include "app/logbook/ShowLogbook.h"
#include "app/logbook/TableCopy.h"
#include "logbook/Logbook.h"
#include "logbook/Sqlite.h"
#include "platform/File.h"
#include "rounds/RoundReader.h"
#include "tests/app/GuiSupport.h"
#include "tests/logbook/LogbookFiles.h"
#include "tests/support/Environment.h"
#include "tests/support/Files.h"
#include "tests/support/TempDir.h"

using namespace veldrant;
using veldrant::app::CLogbookWindow;
namespace vt = veldrant::testing;

namespace {

QStringList Column(CLogbookWindow& w, int column) {
    QStringList cells;
    auto* model = w.RoundList()->model();
    for (int row = 0; row < model->rowCount(); ++row)
        cells << model->index(row, column).data().toString();
    return cells;
}

class LogbookWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Three 18-hole cards, not added in the order played: 90, 72 and 108 strokes.
        namespace t = logbook::test;
        const std::string csv =
            t::File({{"2016-05-03", 1234, "テストGC", t::Marks(8), {t::Card(5)}},
                     {"2017-06-10", 1234, "テストGC", t::Marks(8), {t::Card(4)}},
                     {"2016-09-20", 77, "西ゴルフ場", t::Marks(8), {t::Card(6)}}});
        auto book = logbook::Logbook::Open(path_, logbook::Logbook::Mode::Write);
        ASSERT_EQ(book->Add(rounds::ReadRounds(csv).file, "marks.csv").added, 3u);
    }
    vt::TempDir dir_;
    const std::string path_ = dir_.File("ログブック.sqlite3");
};

TEST_F(LogbookWindowTest, ListsNewestFirstShowsTheStatisticsAndRemovesAfterConfirming) {
    vt::SetEnvironment("VELDRANT_LOGBOOK", path_);
    auto* w = qobject_cast<CLogbookWindow*>(app::ShowLogbookWindow(nullptr));
    vt::UnsetEnvironment("VELDRANT_LOGBOOK");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("ログブック - ") + QString::fromStdString(path_));
    EXPECT_EQ(Column(*w, CLogbookWindow::kDate),
              QStringList({"2017-06-10", "2016-09-20", "2016-05-03"}));
    EXPECT_EQ(Column(*w, CLogbookWindow::kScore), QStringList({"72", "108", "90"}));
    EXPECT_EQ(Column(*w, CLogbookWindow::kPutts), QStringList({"36", "36", "36"}));
    EXPECT_EQ(w->CardTable()->rowCount(), 2);  // the newest round shown: strokes and putts

    // One year: its rounds and their statistics, (108 + 90) / 2.
    w->YearFilter()->setCurrentIndex(w->YearFilter()->findData(2016));
    EXPECT_EQ(Column(*w, CLogbookWindow::kScore), QStringList({"108", "90"}));
    w->Tabs()->setCurrentIndex(1);
    EXPECT_TRUE(w->StatsText()->toPlainText().contains("18ホール: 平均スコア 99.00、ベスト 90"))
        << w->StatsText()->toPlainText().toStdString();
    w->YearFilter()->setCurrentIndex(0);
    const QString all = w->StatsText()->toPlainText();
    EXPECT_TRUE(all.contains("スコアカードから") && all.contains("マークから"));
    EXPECT_TRUE(all.contains("18ホール: 平均スコア 90.00、ベスト 72")) << all.toStdString();

    // Removing the chosen (newest) round asks first, naming it.
    w->Tabs()->setCurrentIndex(0);
    guitest::MessageBoxCatcher catcher;
    guitest::Click(w->RemoveButton());
    ASSERT_EQ(catcher.seen.size(), 1u);
    EXPECT_TRUE(catcher.seen[0].text.contains("2017-06-10"));
    EXPECT_EQ(catcher.seen[0].icon, QMessageBox::Question);
    EXPECT_EQ(Column(*w, CLogbookWindow::kDate), QStringList({"2016-09-20", "2016-05-03"}));
    w->Tabs()->setCurrentIndex(1);
    EXPECT_TRUE(w->StatsText()->toPlainText().contains("平均スコア 99.00"));
    w->close();
    auto book = logbook::Logbook::Open(path_, logbook::Logbook::Mode::ReadOnly);
    EXPECT_EQ(book->List().size(), 2u);
}

TEST_F(LogbookWindowTest, SortsByNumberAndFiltersByGolfCourse) {
    CLogbookWindow w;
    w.show();
    ASSERT_TRUE(w.OpenLogbook(path_));
    struct Case {
        int column;
        Qt::SortOrder order;
        int shownColumn;
        QStringList expected;
    };
    const Case cases[] = {
        {CLogbookWindow::kScore, Qt::AscendingOrder, CLogbookWindow::kScore, {"72", "90", "108"}},
        {CLogbookWindow::kScore, Qt::DescendingOrder, CLogbookWindow::kScore, {"108", "90", "72"}},
        {CLogbookWindow::kDate,
         Qt::AscendingOrder,
         CLogbookWindow::kDate,
         {"2016-05-03", "2016-09-20", "2017-06-10"}},
        {CLogbookWindow::kGolfCourse,
         Qt::AscendingOrder,
         CLogbookWindow::kScore,
         {"90", "72", "108"}},
    };
    for (const Case& c : cases) {
        w.RoundList()->sortByColumn(c.column, c.order);
        EXPECT_EQ(Column(w, c.shownColumn), c.expected) << c.column;
    }
    w.GolfCourseFilter()->setCurrentIndex(w.GolfCourseFilter()->findData(77));
    EXPECT_EQ(Column(w, CLogbookWindow::kDate), QStringList({"2016-09-20"}));
    w.Tabs()->setCurrentIndex(1);
    EXPECT_TRUE(w.StatsText()->toPlainText().contains("平均スコア 108.00"));
}

TEST(LogbookCharts, TheHistogramCountsEveryBinBetweenTheLowestAndTheHighest) {
    app::CHistogramChart chart(QStringLiteral("スコアの分布"));
    chart.SetValues({79, 72, 75, 75}, 2);
    EXPECT_EQ(chart.Bins(), (std::vector<std::pair<int, int>>{{72, 1}, {74, 2}, {76, 0}, {78, 1}}));
    chart.SetValues({}, 1);
    EXPECT_TRUE(chart.Bins().empty());
}

TEST_F(LogbookWindowTest, AFileThatIsNoLogbookIsNamedAndLeftAsItWas) {
    const std::string other = dir_.File("メモ.txt");
    std::ofstream(platform::Utf8Path(other), std::ios::binary) << "not a logbook\n";
    CLogbookWindow w;
    w.show();
    guitest::MessageBoxCatcher catcher;
    EXPECT_FALSE(w.OpenLogbook(other));
    ASSERT_EQ(catcher.seen.size(), 1u);
    EXPECT_TRUE(catcher.seen[0].text.startsWith("ログブックを開けません。\n"));
    EXPECT_TRUE(catcher.seen[0].text.contains(QString::fromStdString(other)));
    EXPECT_EQ(w.RoundList()->model()->rowCount(), 0);
    EXPECT_EQ(vt::ReadAll(platform::Utf8Path(other)), "not a logbook\n");
    // Still usable: a good logbook opens in the same window.
    EXPECT_TRUE(w.OpenLogbook(path_));
    EXPECT_EQ(w.RoundList()->model()->rowCount(), 3);
}

TEST_F(LogbookWindowTest, TheRoundsTabOpensItAndTheParEditorWritesWhatIsValid) {
    vt::SetEnvironment("VELDRANT_LOGBOOK", path_);
    guitest::WindowRig rig({}, /*plugged=*/false);
    guitest::ClickTab(rig.Open(), 4);
    guitest::Click(rig.Window().RoundsPage()->LogbookButton());
    vt::UnsetEnvironment("VELDRANT_LOGBOOK");
    CLogbookWindow* w = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<CLogbookWindow*>(top); found && found->isVisible())
            w = found;
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->RoundList()->model()->rowCount(), 3);

    QComboBox* golfCourses = w->ParEditor()->GolfCourseBox();
    golfCourses->setCurrentIndex(golfCourses->findData(1234));
    QTableWidget* holes = w->ParEditor()->HoleTable(0);
    ASSERT_NE(holes, nullptr);
    struct Case {
        int row, column;
        const char* text;
        std::optional<int> par, strokeIndex;
        bool refused;
    };
    const Case cases[] = {
        {0, 2, "4", 4, std::nullopt, false},  // hole 3's par
        {1, 2, "7", 4, 7, false},
        {0, 2, "9", 4, 7, true},  // no such par: refused, the stored one shown again
        {1, 2, "", 4, std::nullopt, false},
    };
    for (const Case& c : cases) {
        guitest::MessageBoxCatcher catcher;
        holes->item(c.row, c.column)->setText(QString::fromUtf8(c.text));
        EXPECT_EQ(catcher.seen.size(), c.refused ? 1u : 0u) << c.text;
        const logbook::CourseSetup setup = w->Book()->Setup();
        const logbook::HoleKey key{1234, 0, 3};
        EXPECT_EQ(setup.par.count(key) ? std::optional(setup.par.at(key)) : std::nullopt, c.par);
        EXPECT_EQ(
            setup.strokeIndex.count(key) ? std::optional(setup.strokeIndex.at(key)) : std::nullopt,
            c.strokeIndex);
        EXPECT_EQ(holes->item(0, 2)->text(), "4");
    }
    w->close();
}

}  // namespace

TEST_F(LogbookWindowTest, AddsSeveralFilesSayingWhatEachGaveAndRefusingOneThatIsNoMarkFile) {
    namespace t = logbook::test;
    auto write = [](const std::string& path, const std::string& bytes) {
        std::ofstream(platform::Utf8Path(path), std::ios::binary) << bytes;
        return path;
    };
    const std::string later =
        write(dir_.File("後日.csv"),
              t::File({{"2017-06-10", 1234, "テストGC", t::Marks(8), {t::Card(4)}},
                       {"2018-04-01", 1234, "テストGC", t::Marks(8), {t::Card(5)}}}));
    const std::string text = write(dir_.File("メモ.csv"), "not marks\r\n");
    CLogbookWindow w;
    ASSERT_TRUE(w.OpenLogbook(path_));
    guitest::MessageBoxCatcher catcher;
    const QString report =
        w.AddFiles({QString::fromStdString(later), QString::fromStdString(text)});
    // The good file still goes in; the report names each file and the total.
    EXPECT_TRUE(report.startsWith("後日.csv：2ラウンド：新規 1、記録済み 1\nメモ.csv："))
        << report.toStdString();
    EXPECT_TRUE(report.endsWith("合計 1 ファイル：2ラウンド：新規 1、記録済み 1\n"))
        << report.toStdString();
    ASSERT_EQ(catcher.seen.size(), 1u);
    EXPECT_EQ(catcher.seen[0].icon, QMessageBox::Critical);
    EXPECT_EQ(Column(w, CLogbookWindow::kDate),
              QStringList({"2018-04-01", "2017-06-10", "2016-09-20", "2016-05-03"}));
}

TEST_F(LogbookWindowTest, TheRoundsTabListsTheLogbooksLatestRoundsUntilAFileIsOpened) {
    const QByteArray before = qgetenv("VELDRANT_LOGBOOK");
    vt::SetEnvironment("VELDRANT_LOGBOOK", path_);
    guitest::WindowRig rig({}, /*plugged=*/false);
    guitest::ClickTab(rig.Open(), 4);
    app::CRoundsPage* page = rig.Window().RoundsPage();
    ASSERT_EQ(page->RoundList()->count(), 3);
    EXPECT_EQ(page->RoundList()->item(0)->text(), "1  2017-06-10  テストGC");
    EXPECT_EQ(page->RoundList()->item(2)->text(), "3  2016-05-03  テストGC");
    EXPECT_GT(page->HoleTable()->rowCount(), 0);  // the newest round's holes
    EXPECT_TRUE(page->FilePath().isEmpty());

    // Back on the tab, the round chosen stays while the logbook is as it was ...
    page->RoundList()->setCurrentRow(2);
    guitest::ClickTab(rig.Window(), 0);
    guitest::ClickTab(rig.Window(), 4);
    EXPECT_EQ(page->RoundList()->currentRow(), 2);
    // ... and the list is read again once it has grown.
    namespace t = logbook::test;
    logbook::Logbook::Open(path_, logbook::Logbook::Mode::Write)
        ->Add(rounds::ReadRounds(t::File({{"2018-04-01", 1234, "テストGC", t::Marks(8), {}}})).file,
              "later.csv");
    guitest::ClickTab(rig.Window(), 0);
    guitest::ClickTab(rig.Window(), 4);
    vt::SetEnvironment("VELDRANT_LOGBOOK", before.toStdString());
    ASSERT_EQ(page->RoundList()->count(), 4);
    EXPECT_EQ(page->RoundList()->item(0)->text(), "1  2018-04-01  テストGC");
}

TEST_F(LogbookWindowTest, AnImportThatWaitsForAnotherWriterSaysSoAndThenGoesIn) {
    namespace t = logbook::test;
    const std::string csv = dir_.File("取り込み.csv");
    std::ofstream(platform::Utf8Path(csv), std::ios::binary)
        << t::File({{"2018-04-01", 1234, "テストGC", t::Marks(8), {t::Card(5)}}});
    const QByteArray before = qgetenv("VELDRANT_LOGBOOK");
    vt::SetEnvironment("VELDRANT_LOGBOOK", path_);
    for (bool windowOpen : {false, true}) {
        SCOPED_TRACE(windowOpen ? "through the open logbook window" : "no logbook window");
        QPointer<QWidget> window = windowOpen ? app::ShowLogbookWindow(nullptr) : nullptr;
        auto* logbookWindow = qobject_cast<CLogbookWindow*>(window.data());
        // Another program holds the write lock until this one says it waits.
        logbook::sql::Database other(path_, logbook::sql::Database::Mode::ReadWrite);
        other.Exec("BEGIN IMMEDIATE");
        QStringList said;
        QString statusBar;
        const QString line =
            app::AddImportToLogbook(QString::fromStdString(csv), [&](const QString& text) {
                said << text;
                if (logbookWindow)
                    statusBar = logbookWindow->statusBar()->currentMessage();
                EXPECT_NE(QGuiApplication::overrideCursor(), nullptr);
                other.Exec("COMMIT");
            });
        EXPECT_EQ(said, QStringList({"ほかのプログラムがログブックに書き込んでいます。"
                                     "終わるまで待っています…"}));
        EXPECT_EQ(line, windowOpen ? "ログブック：1ラウンド：新規 0、記録済み 1"
                                   : "ログブック：1ラウンド：新規 1、記録済み 0");
        QCoreApplication::processEvents();
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        if (logbookWindow) {
            EXPECT_EQ(statusBar, said.value(0));
            EXPECT_EQ(logbookWindow->statusBar()->currentMessage(), "");
            EXPECT_EQ(Column(*logbookWindow, CLogbookWindow::kDate).value(0), "2018-04-01");
            window->close();
        }
    }
    vt::SetEnvironment("VELDRANT_LOGBOOK", before.toStdString());
}

TEST_F(LogbookWindowTest, TheTablesFiguresAreCopiedAsTabSeparatedLines) {
    CLogbookWindow w;
    ASSERT_TRUE(w.OpenLogbook(path_));
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    auto copied = [](QTableView* view) {
        QGuiApplication::clipboard()->clear();
        view->setFocus();
        QTest::keySequence(view, QKeySequence::Copy);
        return QGuiApplication::clipboard()->text();
    };
    // The chosen round as the list shows it; a block of its card; the whole card with headers.
    EXPECT_EQ(copied(w.RoundList()), "2017-06-10\t08:00\tテストGC\t72\t36\t8\n");
    QTableWidget* card = w.CardTable();
    card->setRangeSelected(QTableWidgetSelectionRange(0, 17, 1, 18), true);
    EXPECT_EQ(copied(card), "4\t72\n2\t36\n");
    const QStringList all = app::TableText(*card, true).split('\n');
    EXPECT_EQ(all.value(0), "\t1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11\t12\t13\t14\t15\t16\t17\t18\t計");
    EXPECT_EQ(all.size(), 4);  // the headers, strokes, putts and the empty end
}

TEST_F(LogbookWindowTest, ANineWithoutMarksTakesTheCourseTheGolferChooses) {
    CLogbookWindow w;
    ASSERT_TRUE(w.OpenLogbook(path_));
    // The newest round's marks are all on course 0, holes 1 and 2: its card's front nine.
    QComboBox* front = w.NineBox(0);
    QComboBox* back = w.NineBox(1);
    EXPECT_FALSE(front->isEnabled());
    EXPECT_TRUE(front->currentText().endsWith("（地点から）"))
        << front->currentText().toStdString();
    ASSERT_TRUE(back->isEnabled());
    EXPECT_EQ(back->currentText(), "わからない");
    back->setCurrentIndex(back->findData(0));
    Q_EMIT back->activated(back->currentIndex());
    const int64_t id = *w.ShownRound();
    auto book = logbook::Logbook::Open(path_, logbook::Logbook::Mode::ReadOnly);
    EXPECT_EQ(book->Rounds({.id = id}).front().backCourseId, std::optional<int>(0));
}
