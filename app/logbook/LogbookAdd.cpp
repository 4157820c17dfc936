#include "app/logbook/LogbookAdd.h"

#include <QApplication>
#include <QCursor>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTimer>
#include <QWidget>

#include "app/JobPaths.h"
#include "rounds/RoundReader.h"

namespace veldrant::app {

QString LogbookSummaryText(const logbook::AddSummary& s) {
    QString t = QStringLiteral("%1ラウンド：新規 %2、").arg(s.rounds).arg(s.added);
    if (s.extended)
        t += QStringLiteral("追記 %1、").arg(s.extended);
    return t + QStringLiteral("記録済み %1").arg(s.already);
}

void ShowLogbookWaiting(const std::function<void(const QString&)>& show) {
    static bool cursorSet = false;
    if (!cursorSet) {
        cursorSet = true;
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        QTimer::singleShot(0, qApp, [] {
            QGuiApplication::restoreOverrideCursor();
            cursorSet = false;
        });
    }
    if (!show)
        return;
    show(QStringLiteral("ほかのプログラムがログブックに書き込んでいます。終わるまで待っています…"));
    // Drawn now, every window whole: the events wait, and a file dialog may just have left its
    // picture on one.
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible())
            window->repaint();
}

LogbookAddReport AddFilesToLogbook(logbook::Logbook& book, const QStringList& paths,
                                   const std::function<void(int, const QString&)>& before) {
    LogbookAddReport report;
    int number = 0;
    for (const QString& path : paths) {
        const QString name = QFileInfo(path).fileName();
        if (before)
            before(++number, name);
        // The path in UTF-8 on every platform, as the rounds take it.
        const std::string file = JobPath(QFileInfo(path).absoluteFilePath());
        rounds::ReadResult r = rounds::LoadRounds(file);
        if (!r.ok()) {
            ++report.refused;
            report.text += name + QStringLiteral("：地点データのCSVファイルとして読めません（") +
                           QString::fromStdString(r.error) + QStringLiteral("）\n");
            continue;
        }
        try {
            logbook::AddSummary s = book.Add(r.file, file);
            report.total += s;
            ++report.added;
            report.text += name + QStringLiteral("：") + LogbookSummaryText(s) + '\n';
        } catch (const std::exception& e) {
            ++report.refused;
            report.text += name + QStringLiteral("：追加できません（") +
                           QString::fromStdString(e.what()) + QStringLiteral("）\n");
        }
    }
    if (paths.size() > 1)
        report.text += QStringLiteral("合計 %1 ファイル：").arg(report.added) +
                       LogbookSummaryText(report.total) + '\n';
    return report;
}

}  // namespace veldrant::app
