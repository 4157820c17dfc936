// The file dialogs the pages show on the desktop: their filters, title, default name, and the
// answers they give back.
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <fstream>

#include "app/FileDialogs.h"
#include "tests/support/SimHarness.h"

using veldrant::app::CQtFileDialogs;

namespace {

// Finds the open file dialog once it shows, hands it to `act` and records what it looked like.
struct DialogDriver {
    QString title;
    QStringList filters;
    QString selectedFilter;
    QStringList selected;
    bool confirmOverwrite = true;
    bool seen = false;
    std::function<void(QFileDialog*)> act;

    void Arm() {
        QTimer::singleShot(20, [this] { Poll(); });
    }
    void Poll() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            if (!dialog || !dialog->isVisible())
                continue;
            if (!seen) {
                seen = true;
                title = dialog->windowTitle();
                filters = dialog->nameFilters();
                selectedFilter = dialog->selectedNameFilter();
                selected = dialog->selectedFiles();
                confirmOverwrite = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
            }
            act(dialog);

            // The dialog may still be reading a folder; it closes on a later try.
            if (dialog->isVisible())
                Arm();
            return;
        }
        Arm();
    }
};

// Types a path into the file name box, as a user would, and accepts.
void Type(QFileDialog* dialog, const QString& path) {
    auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(edit, nullptr);
    edit->setText(path);
    static_cast<QDialog*>(dialog)->accept();
}

}  // namespace

TEST(FileDialogs, TheOpenDialogHasItsTitleAndFiltersAndReturnsTheChosenFile) {
    veldrant::testing::TempDir dir;
    const QString file = QString::fromStdString(dir.Path() + "/image.bin");
    std::ofstream(file.toStdString()) << "x";
    DialogDriver driver;
    driver.act = [&](QFileDialog* d) { Type(d, file); };
    driver.Arm();
    CQtFileDialogs dialogs;
    QString chosen = dialogs.GetOpenFileName(nullptr, QString::fromUtf8(veldrant::app::kTitleOpen),
                                             veldrant::app::kFilterBin);
    EXPECT_EQ(chosen, file);
    EXPECT_EQ(driver.title, "開く");
    EXPECT_EQ(driver.filters, (QStringList{"Bin Files(*.bin)", "All File(*.*)"}));
    EXPECT_EQ(driver.selectedFilter, "Bin Files(*.bin)");
}

TEST(FileDialogs, CancellingGivesAnEmptyAnswer) {
    DialogDriver driver;
    driver.act = [](QFileDialog* d) { d->reject(); };
    driver.Arm();
    CQtFileDialogs dialogs;
    EXPECT_TRUE(dialogs.GetOpenFileName(nullptr, "開く", veldrant::app::kFilterZip).isEmpty());
    EXPECT_EQ(driver.filters, (QStringList{"Golf Files(*.zip)", "All File(*.*)"}));
}

TEST(FileDialogs, TheSaveDialogOffersTheDefaultNameAndReplacesWithoutAsking) {
    veldrant::testing::TempDir dir;
    const QString existing = QString::fromStdString(dir.Path() + "/20240102_030405_MARK.csv");
    std::ofstream(existing.toStdString()) << "old";
    DialogDriver driver;
    QString offered;
    driver.act = [&](QFileDialog* d) {
        offered = d->selectedFiles().value(0);
        // The user goes to the folder that holds a file of that name and accepts.
        Type(d, existing);
    };
    driver.Arm();
    CQtFileDialogs dialogs;
    QString chosen =
        dialogs.GetSaveFileName(nullptr, "20240102_030405_MARK.csv", veldrant::app::kFilterCsv);
    EXPECT_EQ(QFileInfo(offered).fileName(), "20240102_030405_MARK.csv");
    EXPECT_EQ(chosen, existing);
    EXPECT_FALSE(driver.confirmOverwrite);
    EXPECT_EQ(driver.filters, (QStringList{"CSV Files(*.csv)", "All File(*.*)"}));
}

TEST(FileDialogs, ASaveNameInAFolderThatDoesNotExistIsRefused) {
    veldrant::testing::TempDir dir;
    DialogDriver driver;
    driver.act = [&](QFileDialog* d) {
        Type(d, QString::fromStdString(dir.Path() + "/missing/folder/marks.csv"));
    };
    driver.Arm();
    CQtFileDialogs dialogs;
    EXPECT_TRUE(dialogs.GetSaveFileName(nullptr, "marks.csv", veldrant::app::kFilterCsv).isEmpty());
}
