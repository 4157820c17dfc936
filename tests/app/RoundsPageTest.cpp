// The rounds tab: a mark CSV file opened and shown as rounds, holes and pictures; a damaged file
// refused; and the mark page's finished import offered there.
#include <QAccessible>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>

#include "app/PicturePainter.h"
#include "app/RoundsPage.h"
#include "app/TabCtrl.h"
#include "app/logbook/ShowLogbook.h"
#include "marks/Dialog6.h"
#include "marks/MarkExport.h"
#include "rounds/RoundReader.h"
#include "sim/MarkService.h"
#include "tests/app/GuiSupport.h"
#include "tests/support/Environment.h"
#include "tests/support/TempDir.h"
#include "widgets/ButtonST.h"

using namespace veldrant::guitest;
using veldrant::app::CRoundsPage;

namespace {

// The simulated watch's sample as the mark import writes it.
std::string SampleCsv() {
    auto data = veldrant::sim::EncodeSample(veldrant::sim::GenerateMarkSample());
    std::string file = "\xEF\xBB\xBF";
    for (const auto& set : data.sets)
        file += veldrant::marks::ExportMarkSetToString(set, data.score);
    return file;
}

std::string Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

QString Cell(QTableWidget* t, int row, int column) {
    return t->item(row, column) ? t->item(row, column)->text() : QString();
}

class RoundsPageTest : public ::testing::Test {
protected:
    veldrant::testing::TempDir dir_;
};

}  // namespace

TEST_F(RoundsPageTest, IsTheFifthTabAfterTheFourUnchangedOnes) {
    WindowRig rig({}, /*plugged=*/false);
    CBrassieDlg& w = rig.Open();
    QTabBar* bar = w.TabCtrl()->TabBar();
    ASSERT_EQ(bar->count(), 5);
    EXPECT_EQ(bar->tabText(3), "情報");
    EXPECT_EQ(bar->tabText(4), "ラウンド");
    ClickTab(w, 4);
    EXPECT_TRUE(w.RoundsPage()->isVisible());
    EXPECT_FALSE(w.MarkPage()->isVisible());
    EXPECT_EQ(w.RoundsPage()->geometry(), QRect(4, 25, 690, 207));
    // Every control fits in the page.
    for (QWidget* c : w.RoundsPage()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        EXPECT_TRUE(w.RoundsPage()->rect().contains(c->geometry()))
            << c->objectName().toStdString();
    EXPECT_FALSE(w.RoundsPage()->OfferedButton()->isVisible());
}

TEST_F(RoundsPageTest, ShowsTheRoundsHolesAndPictureOfTheOpenedFile) {
    const std::string path = Write(dir_.File("marks.csv"), SampleCsv());
    const veldrant::rounds::ReadResult expected = veldrant::rounds::LoadRounds(path);
    ASSERT_TRUE(expected.ok());
    WindowRig rig({}, false);
    CBrassieDlg& w = rig.Open();
    ClickTab(w, 4);
    CRoundsPage* page = w.RoundsPage();
    rig.Dialogs().answer = QString::fromStdString(path);
    const QByteArray logbookBefore = qgetenv("VELDRANT_LOGBOOK");
    veldrant::testing::SetEnvironment("VELDRANT_LOGBOOK", dir_.File("ログブック.sqlite3"));
    Click(page->OpenButton());
    veldrant::testing::SetEnvironment("VELDRANT_LOGBOOK", logbookBefore.toStdString());
    // The opened file's rounds went into the logbook as well.
    if (veldrant::app::HasLogbook()) {
        EXPECT_EQ(page->findChild<QLabel*>("roundsFile")->toolTip(),
                  "ログブック：5ラウンド：新規 5、記録済み 0");
    }
    ASSERT_EQ(rig.Dialogs().requests.size(), 1u);
    EXPECT_FALSE(rig.Dialogs().requests[0].save);
    EXPECT_EQ(rig.Dialogs().requests[0].filter, "CSV Files(*.csv);;All File(*.*)");

    ASSERT_EQ(page->RoundList()->count(), 5);
    EXPECT_EQ(page->RoundList()->item(0)->text(), "1  2016-05-03  富士見ヶ丘カントリー倶楽部");
    EXPECT_EQ(page->RoundList()->currentRow(), 0);
    QTableWidget* holes = page->HoleTable();
    const auto& round1 = expected.file.rounds[0];
    ASSERT_EQ(holes->rowCount(), 18);
    for (int r = 0; r < 18; ++r) {
        const auto& hole = round1.holes[static_cast<size_t>(r)];
        EXPECT_EQ(Cell(holes, r, 0), QString::number(hole.number));
        EXPECT_EQ(Cell(holes, r, 1), QString::number(hole.Strokes()));
        EXPECT_EQ(Cell(holes, r, 2), QString::number(hole.Putts()));
        EXPECT_EQ(Cell(holes, r, 3),
                  QString::number(std::lround(veldrant::rounds::Yards(*hole.teeShot))));
        // One distance per mark but the last.
        EXPECT_EQ(Cell(holes, r, 5).split(' ').size(), hole.Strokes() - 1);
    }
    EXPECT_TRUE(page->Summary()->text().startsWith("18ホール 81打 24パット"))
        << page->Summary()->text().toStdString();

    // The chosen hole's picture: its marks, numbered.
    auto* view = page->PictureView();
    EXPECT_EQ(view->ShownHole(), 0);
    holes->setCurrentCell(3, 0);
    EXPECT_EQ(view->ShownHole(), 3);
    EXPECT_EQ(view->CurrentPicture().dots.size(), round1.holes[3].marks.size());
    EXPECT_EQ(view->CurrentPicture().dots[0].label, "1");
    // Its words are Japanese (the command line's SVG files stay English).
    const auto& hole4 = round1.holes[3];
    std::vector<std::string> texts;
    for (const auto& t : view->CurrentPicture().texts)
        texts.push_back(t.text);
    const std::string title = std::to_string(hole4.number) + "番ホール (" + hole4.courseName + ")";
    const std::string counts = std::to_string(hole4.Strokes()) + "打、" +
                               std::to_string(hole4.Putts()) + "パット（地点の数）";
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [&](const std::string& t) {
        return t.starts_with(title);
    })) << title;
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [&](const std::string& t) {
        return t.starts_with(counts);
    })) << counts;

    // Another round: a nine-hole afternoon.
    page->RoundList()->setCurrentRow(2);
    EXPECT_EQ(holes->rowCount(), 9);
    EXPECT_EQ(view->ShownRound(), &page->File().rounds[2]);

    // A click opens the picture large; a click on it closes it.
    Click(view);
    ASSERT_TRUE(
        WaitFor([&] { return page->LargePicture() && page->LargePicture()->isVisible(); }, 3000));
    EXPECT_EQ(page->LargePicture()->size(), QSize(640, 640));
    Click(page->LargePicture()->findChild<veldrant::app::CHolePictureView*>());
    EXPECT_TRUE(WaitFor([&] { return page->LargePicture() == nullptr; }, 3000));
}

// A screen reader finds the lists by name and each cell's column header.
TEST_F(RoundsPageTest, AScreenReaderReadsTheListsAndTheColumnHeaders) {
    const std::string path = Write(dir_.File("marks.csv"), SampleCsv());
    WindowRig rig({}, false);
    CBrassieDlg& w = rig.Open();
    ClickTab(w, 4);
    CRoundsPage* page = w.RoundsPage();
    ASSERT_TRUE(page->OpenFile(QString::fromStdString(path)));
    struct Named {
        QWidget* widget;
        const char* name;
    };
    for (const Named& n :
         {Named{page->RoundList(), "ラウンド一覧"}, Named{page->HoleTable(), "ホール一覧"},
          Named{page->PictureView(), "ホールの図"}}) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(n.widget);
        ASSERT_TRUE(a);
        EXPECT_EQ(a->text(QAccessible::Name), QString::fromUtf8(n.name));
    }
    QAccessibleTableInterface* table =
        QAccessible::queryAccessibleInterface(page->HoleTable())->tableInterface();
    ASSERT_TRUE(table);
    const char* headers[] = {"ホール", "打数", "パット", "ティー", "最長", "各打 (yd)"};
    ASSERT_EQ(table->columnCount(), 6);
    for (int c = 0; c < 6; ++c) {
        QAccessibleInterface* cell = table->cellAt(0, c);
        ASSERT_TRUE(cell && cell->tableCellInterface());
        auto heads = cell->tableCellInterface()->columnHeaderCells();
        ASSERT_EQ(heads.size(), 1);
        EXPECT_EQ(heads[0]->text(QAccessible::Name), QString::fromUtf8(headers[c]));
        // Qt makes them anew for each call and keeps none: handed to its cache to be deleted.
        for (QAccessibleInterface* head : heads)
            QAccessible::deleteAccessibleInterface(QAccessible::registerAccessibleInterface(head));
    }
}

TEST_F(RoundsPageTest, RefusesADamagedFileAndKeepsWhatItShowed) {
    const std::string good = Write(dir_.File("good.csv"), SampleCsv());
    const std::string cut = Write(dir_.File("cut.csv"), SampleCsv().substr(0, 5000));
    WindowRig rig({}, false);
    CBrassieDlg& w = rig.Open();
    ClickTab(w, 4);
    CRoundsPage* page = w.RoundsPage();
    ASSERT_TRUE(page->OpenFile(QString::fromStdString(good)));
    MessageBoxCatcher catcher;
    EXPECT_FALSE(page->OpenFile(QString::fromStdString(cut)));
    ASSERT_EQ(catcher.seen.size(), 1u);
    EXPECT_EQ(catcher.seen[0].title, "Error");
    EXPECT_EQ(catcher.seen[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(catcher.seen[0].text.startsWith("地点データのCSVファイルとして読めません。\n"));
    EXPECT_TRUE(catcher.seen[0].text.contains("line 41: the file ends inside a quoted field"))
        << catcher.seen[0].text.toStdString();
    EXPECT_EQ(page->FilePath(), QString::fromStdString(good));
    EXPECT_EQ(page->RoundList()->count(), 5);
}

TEST_F(RoundsPageTest, TheMarkPageOffersItsNewFileOnTheRoundsPage) {
    veldrant::sim::MarkData data = veldrant::sim::EncodeSample(veldrant::sim::GenerateMarkSample());
    WindowRig rig;
    rig.Sim().GetWatch().AddService(std::make_shared<veldrant::sim::MarkService>(data));
    CBrassieDlg& w = rig.Open();
    ASSERT_TRUE(rig.WaitConnected());
    ASSERT_TRUE(rig.WaitFacesSettled());
    QPushButton* offer = w.MarkPage()->ShowInRoundsButton();
    EXPECT_FALSE(offer->isVisible());

    const std::string path = dir_.File("import.csv");
    rig.Dialogs().answer = QString::fromStdString(path);
    ClickTab(w, 0);
    Click(w.MarkPage()->StartButton());
    ASSERT_TRUE(WaitFor([&] { return offer->isVisible(); }, 20000));
    ASSERT_TRUE(WaitFor([&] { return w.MarkPage()->StartButton()->isEnabled(); }, 20000));
    // The page hands paths on with the system's separators.
    EXPECT_EQ(QDir::fromNativeSeparators(w.MarkPage()->LastFile()),
              QDir::fromNativeSeparators(QString::fromStdString(path)));
    // The rounds page offers it first, too.
    EXPECT_TRUE(w.RoundsPage()->OfferedButton()->text().endsWith("import.csv"));

    Click(offer);
    EXPECT_EQ(w.TabCtrl()->GetCurSel(), 4);
    EXPECT_TRUE(w.RoundsPage()->isVisible());
    EXPECT_EQ(QDir::fromNativeSeparators(w.RoundsPage()->FilePath()),
              QDir::fromNativeSeparators(QString::fromStdString(path)));
    EXPECT_EQ(w.RoundsPage()->RoundList()->count(), 5);
}
