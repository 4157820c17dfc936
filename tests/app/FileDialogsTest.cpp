// The file dialogs the pages show on the desktop: their filters, title, default name, the
// questions they ask before they close, and the answers they give back.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <fstream>

#include "app/FileDialogs.h"
#include "tests/support/Files.h"
#include "tests/support/SimHarness.h"

using veldrant::app::CQtFileDialogs;

// Texts in failure messages, not their code units.
void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

struct SeenBox {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Finds the open file dialog once it shows and hands it to `act` with the number of earlier
// calls (the dialog may still be reading its folder, or a box may have sent the user back to
// it). A message box the dialog opens is recorded and answered with `answer`, also while
// `act` is still inside the dialog's accept.
struct DialogDriver {
    QString title;
    QStringList filters;  // as the user sees them
    QStringList selected;
    std::vector<SeenBox> boxes;
    QMessageBox::StandardButton answer = QMessageBox::Ok;
    std::function<void(QFileDialog*, int)> act;
    int calls = 0;

    // Polls from the event loops the dialog and its boxes run, until the driver goes. Boxes
    // have a timer of their own: a timer does not fire again while its own slot runs, and a
    // box opens from inside `act`.
    void Arm() {
        for (QTimer* t : {&boxTimer_, &dialogTimer_})
            t->setInterval(20);
        QObject::connect(&boxTimer_, &QTimer::timeout, [this] { PollBoxes(); });
        QObject::connect(&dialogTimer_, &QTimer::timeout, [this] { PollDialog(); });
        boxTimer_.start();
        dialogTimer_.start();
    }
    void PollBoxes() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (box && box->isVisible()) {
                boxes.push_back({box->windowTitle(), box->text(), box->icon()});
                QAbstractButton* button = box->button(answer);
                if (button)
                    button->click();
                else
                    box->reject();
                return;
            }
        }
    }
    void PollDialog() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (qobject_cast<QMessageBox*>(w) && w->isVisible())
                return;
        }
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            if (!dialog || !dialog->isVisible())
                continue;
            if (calls == 0) {
                title = dialog->windowTitle();
                auto* combo = dialog->findChild<QComboBox*>("fileTypeCombo");
                for (int i = 0; combo && i < combo->count(); ++i)
                    filters << combo->itemText(i);
                selected = dialog->selectedFiles();
            }
            act(dialog, calls++);
            return;
        }
    }

private:
    QTimer boxTimer_, dialogTimer_;
};

// Types a path into the file name box, as a user would, and accepts.
void Type(QFileDialog* dialog, const QString& path) {
    auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(edit, nullptr);
    edit->setText(path);
    static_cast<QDialog*>(dialog)->accept();
}

// The names the dialog's list shows in its current folder.
QStringList ListedNames(QFileDialog* dialog) {
    QStringList names;
    auto* view = dialog->findChild<QListView*>("listView");
    if (!view || !view->model())
        return names;
    QAbstractItemModel* model = view->model();
    for (int row = 0; row < model->rowCount(view->rootIndex()); ++row)
        names << model->index(row, 0, view->rootIndex()).data().toString();
    names.sort();
    return names;
}

// A path in the temporary folder with '/' between its parts, as Qt's dialogs return it.
QString In(const veldrant::testing::TempDir& dir, const char* name) {
    return QDir::fromNativeSeparators(QString::fromStdString(dir.Path() + "/" + name));
}

}  // namespace

TEST(FileDialogs, FilterEntriesKeepTheirTextAndAllFilesMatchesEveryName) {
    struct Case {
        const char* filter;
        QStringList expected;
    };
    for (const Case& c : {
             Case{veldrant::app::kFilterCsv, {"CSV Files(*.csv) (*.csv)", "All File(*.*) (*)"}},
             Case{veldrant::app::kFilterBin, {"Bin Files(*.bin) (*.bin)", "All File(*.*) (*)"}},
             Case{"Two(*.a;*.b)", {"Two(*.a;*.b) (*.a *.b)"}},
             Case{"No patterns", {"No patterns"}},
         }) {
        EXPECT_EQ(veldrant::app::DialogNameFilters(c.filter), c.expected) << c.filter;
    }
}

TEST(FileDialogs, TheOpenDialogHasItsTitleAndFiltersAndReturnsTheChosenFile) {
    veldrant::testing::TempDir dir;
    const QString file = In(dir, "image.bin");
    std::ofstream(file.toStdString()) << "x";
    DialogDriver driver;
    driver.act = [&](QFileDialog* d, int) { Type(d, file); };
    driver.Arm();
    CQtFileDialogs dialogs;
    QString chosen = dialogs.GetOpenFileName(nullptr, QString::fromUtf8(veldrant::app::kTitleOpen),
                                             veldrant::app::kFilterBin);
    EXPECT_EQ(chosen, file);
    EXPECT_EQ(driver.title, "開く");
    EXPECT_EQ(driver.filters, (QStringList{"Bin Files(*.bin)", "All File(*.*)"}));
    EXPECT_TRUE(driver.boxes.empty());
}

TEST(FileDialogs, CancellingGivesAnEmptyAnswer) {
    DialogDriver driver;
    driver.act = [](QFileDialog* d, int) { d->reject(); };
    driver.Arm();
    CQtFileDialogs dialogs;
    EXPECT_TRUE(dialogs.GetOpenFileName(nullptr, "開く", veldrant::app::kFilterZip).isEmpty());
    EXPECT_EQ(driver.filters, (QStringList{"Golf Files(*.zip)", "All File(*.*)"}));
}

TEST(FileDialogs, AllFilesShowsNamesWithoutADotAndKeepsTheTypedName) {
    veldrant::testing::TempDir dir;
    for (const char* name : {"README", "marks.csv", "notes.txt"})
        std::ofstream(dir.Path() + "/" + name) << "x";
    struct Case {
        bool save;
        int filter;
        QStringList listed;
    };
    for (const Case& c :
         {Case{true, 0, {"marks.csv"}}, Case{true, 1, {"README", "marks.csv", "notes.txt"}},
          Case{false, 1, {"README", "marks.csv", "notes.txt"}}}) {
        DialogDriver driver;
        QStringList listed;
        QString typed;
        driver.act = [&](QFileDialog* d, int call) {
            if (call == 0) {
                d->setDirectory(QString::fromStdString(dir.Path()));
                d->selectNameFilter(d->nameFilters().value(c.filter));
            }
            listed = ListedNames(d);
            // The folder is read on another thread: look again until it is all there.
            if (listed != c.listed && call < 200)
                return;
            typed = d->findChild<QLineEdit*>("fileNameEdit")->text();
            d->reject();
        };
        driver.Arm();
        CQtFileDialogs dialogs;
        if (c.save)
            dialogs.GetSaveFileName(nullptr, "20240102_030405_MARK.csv", veldrant::app::kFilterCsv);
        else
            dialogs.GetOpenFileName(nullptr, "開く", veldrant::app::kFilterCsv);
        EXPECT_EQ(listed, c.listed) << "save " << c.save << " filter " << c.filter;
        if (c.save) {
            EXPECT_EQ(typed, "20240102_030405_MARK.csv") << "filter " << c.filter;
        }
    }
}

TEST(FileDialogs, TheSaveDialogOffersTheDefaultNameAndAsksBeforeReplacingAFile) {
    struct Case {
        const char* name;
        bool exists;
        QMessageBox::StandardButton answer;
        bool chosen;  // else the user cancels after the question
    };
    for (const Case& c : {Case{"20240102_030405_MARK.csv", true, QMessageBox::Yes, true},
                          Case{"20240102_030405_MARK.csv", true, QMessageBox::No, false},
                          Case{"new.csv", false, QMessageBox::Ok, true}}) {
        veldrant::testing::TempDir dir;
        const QString target = In(dir, c.name);
        if (c.exists)
            std::ofstream(target.toStdString()) << "old";
        DialogDriver driver;
        driver.answer = c.answer;
        QString offered;
        int callsAfterQuestion = 0;
        driver.act = [&](QFileDialog* d, int call) {
            if (call == 0) {
                offered = d->selectedFiles().value(0);
                // The user goes to the folder, picks the name and accepts.
                Type(d, target);
                return;
            }
            // Sent back to the dialog by the answer: the user gives up.
            ++callsAfterQuestion;
            d->reject();
        };
        driver.Arm();
        CQtFileDialogs dialogs;
        QString chosen =
            dialogs.GetSaveFileName(nullptr, "20240102_030405_MARK.csv", veldrant::app::kFilterCsv);
        EXPECT_EQ(QFileInfo(offered).fileName(), "20240102_030405_MARK.csv");
        EXPECT_EQ(driver.title, "名前を付けて保存");
        EXPECT_EQ(driver.filters, (QStringList{"CSV Files(*.csv)", "All File(*.*)"}));
        EXPECT_EQ(chosen, c.chosen ? target : QString()) << c.name;
        EXPECT_EQ(callsAfterQuestion, c.chosen ? 0 : 1) << c.name;
        if (c.exists) {
            ASSERT_EQ(driver.boxes.size(), 1u);
            EXPECT_EQ(driver.boxes[0].title, "名前を付けて保存の確認");
            EXPECT_EQ(driver.boxes[0].text,
                      "20240102_030405_MARK.csv は既に存在します。\n置き換えますか?");
            EXPECT_EQ(driver.boxes[0].icon, QMessageBox::Warning);
            EXPECT_EQ(veldrant::testing::ReadAll(target.toStdString()), "old");
        } else {
            EXPECT_TRUE(driver.boxes.empty());
        }
    }
}

TEST(FileDialogs, ANameInAFolderThatDoesNotExistKeepsTheDialogOpenAndSaysSo) {
    for (bool save : {true, false}) {
        veldrant::testing::TempDir dir;
        const QString missing = In(dir, "missing/folder");
        DialogDriver driver;
        int callsAfterBox = 0;
        driver.act = [&](QFileDialog* d, int call) {
            if (call == 0) {
                Type(d, missing + "/marks.csv");
                return;
            }
            ++callsAfterBox;
            d->reject();
        };
        driver.Arm();
        CQtFileDialogs dialogs;
        QString chosen =
            save ? dialogs.GetSaveFileName(nullptr, "marks.csv", veldrant::app::kFilterCsv)
                 : dialogs.GetOpenFileName(nullptr, "開く", veldrant::app::kFilterCsv);
        EXPECT_TRUE(chosen.isEmpty());
        EXPECT_EQ(callsAfterBox, 1) << "save " << save;
        ASSERT_EQ(driver.boxes.size(), 1u) << "save " << save;
        EXPECT_EQ(driver.boxes[0].text, QDir::toNativeSeparators(missing) +
                                            "\nフォルダーが存在しません。\n"
                                            "フォルダー名を確認してください。");
        EXPECT_EQ(driver.boxes[0].title, save ? "名前を付けて保存" : "開く");
    }
}

TEST(FileDialogs, AnOpenDialogHandsOnTheNameOfAFileThatDoesNotExist) {
    veldrant::testing::TempDir dir;
    const QString missing = In(dir, "no-such-image.bin");
    DialogDriver driver;
    driver.act = [&](QFileDialog* d, int call) {
        if (call == 0)
            Type(d, missing);
        else
            d->reject();
    };
    driver.Arm();
    CQtFileDialogs dialogs;
    EXPECT_EQ(dialogs.GetOpenFileName(nullptr, "開く", veldrant::app::kFilterBin), missing);
    EXPECT_TRUE(driver.boxes.empty());
}

TEST(FileDialogs, QtsOwnLabelsAndButtonsAreInJapanese) {
    for (bool save : {true, false}) {
        QStringList texts;
        DialogDriver driver;
        driver.act = [&](QFileDialog* d, int) {
            for (const char* name : {"lookInLabel", "fileNameLabel", "fileTypeLabel"}) {
                auto* label = d->findChild<QLabel*>(name);
                texts << (label ? label->text() : QString("no %1").arg(name));
            }
            for (QAbstractButton* b : d->findChild<QDialogButtonBox*>("buttonBox")->buttons())
                texts << b->text();
            d->reject();
        };
        driver.Arm();
        CQtFileDialogs dialogs;
        if (save)
            dialogs.GetSaveFileName(nullptr, "marks.csv", veldrant::app::kFilterCsv);
        else
            dialogs.GetOpenFileName(nullptr, "開く", veldrant::app::kFilterCsv);
        ASSERT_EQ(texts.size(), 5) << "save " << save;
        // Every text holds a Japanese character: none is left in English.
        static const QRegularExpression japanese(
            QStringLiteral("[\\x{3040}-\\x{30FF}\\x{4E00}-\\x{9FFF}]"));
        for (const QString& text : texts)
            EXPECT_TRUE(japanese.match(text).hasMatch())
                << "save " << save << ": " << text.toStdString();
    }
}

TEST(FileDialogs, TheSystemsDialogGetsEachEntrysTextAndPatterns) {
    struct Case {
        const char* filter;
        std::vector<std::pair<std::string, std::string>> expected;
    };
    for (const Case& c : {
             Case{veldrant::app::kFilterCsv,
                  {{"CSV Files(*.csv)", "*.csv"}, {"All File(*.*)", "*.*"}}},
             Case{veldrant::app::kFilterZip,
                  {{"Golf Files(*.zip)", "*.zip"}, {"All File(*.*)", "*.*"}}},
             Case{"Two(*.a;*.b)", {{"Two(*.a;*.b)", "*.a;*.b"}}},
             Case{"No patterns", {{"No patterns", "*"}}},
         }) {
        std::vector<std::pair<std::string, std::string>> got;
        for (const auto& f : veldrant::app::SystemFilters(c.filter))
            got.emplace_back(f.text, f.patterns);
        EXPECT_EQ(got, c.expected) << c.filter;
    }
}

TEST(FileDialogs, TheWindowsDialogsStartAtHomeThenWhereTheLastFileWasChosen) {
    if (veldrant::platform::HasSystemFileDialogs())
        GTEST_SKIP() << "the system's own dialogs are driven in tests/windows";
    veldrant::testing::TempDir home, other;
    const QByteArray savedHome = qgetenv("HOME");
    qputenv("HOME", QByteArray::fromStdString(home.Path()));
    veldrant::app::CDesktopFileDialogs dialogs;
    struct Case {
        bool save;
        QString answer;  // typed and accepted; empty: cancelled
        QString startsIn;
    };
    const QString homeFolder = QDir::fromNativeSeparators(QString::fromStdString(home.Path()));
    const QString otherFolder = QDir::fromNativeSeparators(QString::fromStdString(other.Path()));
    for (const Case& c :
         {Case{false, QString(), homeFolder}, Case{true, otherFolder + "/marks.csv", homeFolder},
          Case{false, QString(), otherFolder}, Case{true, QString(), otherFolder}}) {
        QString startedIn;
        DialogDriver driver;
        driver.act = [&](QFileDialog* d, int) {
            startedIn = d->directory().absolutePath();
            if (c.answer.isEmpty())
                d->reject();
            else
                Type(d, c.answer);
        };
        driver.Arm();
        if (c.save)
            dialogs.GetSaveFileName(nullptr, "marks.csv", veldrant::app::kFilterCsv);
        else
            dialogs.GetOpenFileName(nullptr, "開く", veldrant::app::kFilterCsv);
        EXPECT_EQ(startedIn, c.startsIn)
            << "save " << c.save << " answer " << c.answer.toStdString();
    }
    qputenv("HOME", savedHome);
}
