// veldrant_screenshots: shows the main window over a simulated watch and saves a picture of
// each tab, and of the mark page without a watch, into a folder. scripts/screenshots.sh runs it
// under Xvfb so that the pictures come from a real X server's rendering.
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <QListWidget>
#include <QTableWidget>

#include <cstdio>
#include <fstream>

#include "app/BrassieDlg.h"
#include "app/FileDialogs.h"
#include "app/PicturePainter.h"
#include "app/QtTranslation.h"
#include "app/RoundsPage.h"
#include "app/TabCtrl.h"
#include "firmware/Dialog1.h"
#include "marks/Dialog6.h"
#include "marks/MarkExport.h"
#include "sim/MarkSample.h"
#include "tests/support/SimHarness.h"
#include "widgets/TextProgressCtrl.h"

namespace {

bool Save(CBrassieDlg& window, const QString& path) {
    QTest::qWait(300);
    QPixmap picture = window.windowHandle()->screen()->grabWindow(window.winId());
    if (picture.isNull())
        picture = window.grab();
    if (!picture.save(path)) {
        std::fprintf(stderr, "veldrant_screenshots: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

void ShowTab(CBrassieDlg& window, int tab) {
    QTabBar* bar = window.TabCtrl()->TabBar();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(tab).center());
}

template <typename T>
T* Shown() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* found = qobject_cast<T*>(w); found && found->isVisible())
            return found;
    }
    return nullptr;
}

// The save dialog over the window, asking before it replaces a file: the whole screen, so that
// the dialog and its question are in the picture. The user then says no and cancels.
bool SaveReplaceQuestion(CBrassieDlg& window, const QString& path) {
    QTemporaryDir dir;
    const QString name = QStringLiteral("20240102_030405_MARK.csv");
    QFile existing(dir.filePath(name));
    if (!dir.isValid() || !existing.open(QIODevice::WriteOnly) || existing.write("old") != 3)
        return false;
    existing.close();

    bool saved = false;
    int boxTicks = 0;
    // The name is typed into the dialog once it shows; accepting it opens the question.
    QTimer typing;
    typing.setInterval(100);
    QObject::connect(&typing, &QTimer::timeout, [&] {
        QFileDialog* dialog = Shown<QFileDialog>();
        if (!dialog || Shown<QMessageBox>())
            return;
        typing.stop();
        dialog->setDirectory(dir.path());
        dialog->findChild<QLineEdit*>("fileNameEdit")->setText(name);
        static_cast<QDialog*>(dialog)->accept();
    });
    // A timer of its own: the one above is still inside its slot while the question is open.
    QTimer answering;
    answering.setInterval(100);
    QObject::connect(&answering, &QTimer::timeout, [&] {
        if (QMessageBox* box = Shown<QMessageBox>()) {
            if (++boxTicks < 5)  // drawn by the X server first
                return;
            QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
            saved = !screen.isNull() && screen.save(path);
            if (saved)
                std::printf("%s\n", qPrintable(path));
            box->button(QMessageBox::No)->click();
        } else if (boxTicks > 0) {
            if (QFileDialog* dialog = Shown<QFileDialog>())
                dialog->reject();
        }
    });
    typing.start();
    answering.start();
    veldrant::app::CQtFileDialogs dialogs;
    const QString chosen = dialogs.GetSaveFileName(window.MarkPage(), name,
                                                   QString::fromUtf8(veldrant::app::kFilterCsv));
    if (!saved)
        std::fprintf(stderr, "veldrant_screenshots: cannot write %s\n", qPrintable(path));
    // Said no, then cancelled: nothing chosen, the file as it was.
    return saved && chosen.isEmpty() && existing.open(QIODevice::ReadOnly) &&
           existing.readAll() == "old";
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    veldrant::app::InstallQtTranslation(app);
    if (argc != 2) {
        std::fprintf(stderr, "Usage: veldrant_screenshots FOLDER\n");
        return 2;
    }
    QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.mkpath("."))
        return 1;

    veldrant::sim::WatchOptions options;
    options.version = {1, 1, 0x7B};
    veldrant::testing::SimHarness sim(options);
    BrassieOptions windowOptions;
    windowOptions.makeLink = [&sim] { return sim.MakeLink(); };
    windowOptions.guardSession = false;
    CBrassieDlg window(std::move(windowOptions));
    window.show();
    if (!QTest::qWaitForWindowExposed(&window, 5000))
        return 1;
    // Connected, faces swapped and the firmware version read.
    if (!QTest::qWaitFor([&] { return window.FirmwarePage()->VersionShown(); }, 5000)) {
        std::fprintf(stderr, "veldrant_screenshots: the simulated watch was not found\n");
        return 1;
    }

    // The rounds page with the simulated watch's sample: round 2, its ninth hole.
    QTemporaryDir temp;
    const std::string csv = temp.filePath("sample.csv").toStdString();
    {
        auto data = veldrant::sim::EncodeSample(veldrant::sim::GenerateMarkSample());
        std::ofstream out(csv, std::ios::binary);
        out << "\xEF\xBB\xBF";
        for (const auto& set : data.sets)
            out << veldrant::marks::ExportMarkSetToString(set, data.score);
    }
    veldrant::app::CRoundsPage* rounds = window.RoundsPage();
    rounds->OfferFile(QString::fromStdString(csv));
    rounds->OpenFile(QString::fromStdString(csv));
    rounds->RoundList()->setCurrentRow(1);
    rounds->HoleTable()->setCurrentCell(8, 0);

    const char* names[] = {"marks", "course", "firmware", "about", "rounds"};
    bool ok = true;
    for (int tab = 0; tab < CBrassieDlg::kTabCount; ++tab) {
        ShowTab(window, tab);
        ok &= Save(window, folder.filePath(QString("tab%1-%2.png").arg(tab).arg(names[tab])));
    }

    // The chosen hole's picture as the large view draws it.
    veldrant::app::CHolePictureView large;
    large.resize(veldrant::app::CHolePictureView::kLayoutSize,
                 veldrant::app::CHolePictureView::kLayoutSize);
    large.Show(rounds->PictureView()->ShownRound(), rounds->PictureView()->ShownHole());
    const QString hole = folder.filePath("rounds-hole.png");
    if (large.grab().save(hole)) {
        std::printf("%s\n", qPrintable(hole));
    } else {
        ok = false;
    }

    // The bar with a closing text, as after an import.
    ShowTab(window, 0);
    window.ProgressBar().SetPos(100);
    window.ProgressBar().SetWindowText(QStringLiteral("完了しました。"));
    window.MarkPage()->ShowInRoundsButton()->show();
    window.MarkPage()->ShowLogbookLine(QStringLiteral("ログブック：5ラウンド：新規 1、記録済み 4"));
    ok &= Save(window, folder.filePath("marks-done.png"));
    window.MarkPage()->ShowInRoundsButton()->hide();
    window.MarkPage()->ShowLogbookLine({});

    // The save dialog's question before it replaces a file.
    ok &= SaveReplaceQuestion(window, folder.filePath("save-replace-question.png"));

    // Without a watch: the grey faces.
    sim.Server().Unplug();
    if (!QTest::qWaitFor([&] { return window.MarkPage()->CachedConnected() == 0; }, 3000)) {
        return 1;
    }
    window.ProgressBar().SetPos(0);
    window.ProgressBar().SetWindowText(QString());
    ok &= Save(window, folder.filePath("marks-no-watch.png"));
    return ok ? 0 : 1;
}
