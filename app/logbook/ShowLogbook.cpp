#include "app/logbook/ShowLogbook.h"

#include <QPointer>

#include <algorithm>

#include "app/logbook/LogbookAdd.h"
#include "app/logbook/LogbookWindow.h"
#include "logbook/Logbook.h"

namespace veldrant::app {
namespace {

QPointer<CLogbookWindow> g_shown;

}  // namespace

bool HasLogbook() {
    return true;
}

QWidget* ShowLogbookWindow(QWidget* owner, const std::string& path) {
    if (g_shown && g_shown->isVisible()) {
        g_shown->raise();
        g_shown->activateWindow();
        return g_shown;
    }
    // A child of a modal window is not blocked by it; the flag keeps it a window of its own.
    g_shown = new CLogbookWindow(owner);
    g_shown->show();
    g_shown->OpenLogbook(logbook::LogbookPath(path));
    return g_shown;
}

QString AddImportToLogbook(const QString& csvPath,
                           const std::function<void(const QString&)>& waiting) {
    const std::string path = logbook::LogbookPath({});
    try {
        LogbookAddReport report;
        if (g_shown && g_shown->Book() && g_shown->Book()->Path() == path) {
            // Through the open window's own connection, which then shows the new rounds.
            report = g_shown->AddImport(csvPath, waiting);
        } else {
            std::unique_ptr<logbook::Logbook> book = logbook::Logbook::Open(
                path, logbook::Logbook::Mode::Write, [&] { ShowLogbookWaiting(waiting); });
            report = AddFilesToLogbook(*book, {csvPath});
        }
        if (report.refused)
            return QStringLiteral("ログブックには追加していません：") + report.text.trimmed();
        return QStringLiteral("ログブック：") + LogbookSummaryText(report.total);
    } catch (const std::exception& e) {
        return QStringLiteral("ログブックには追加していません：") +
               QString::fromStdString(e.what());
    }
}

std::optional<rounds::RoundFile> LatestLogbookRounds(size_t count, std::string& seen) {
    try {
        std::unique_ptr<logbook::Logbook> book =
            logbook::Logbook::Open(logbook::LogbookPath({}), logbook::Logbook::Mode::ReadOnly);
        std::string fingerprint = book->Fingerprint();
        if (fingerprint == seen)
            return std::nullopt;
        seen = std::move(fingerprint);
        logbook::RoundFilter latest;
        latest.last = count;
        std::vector<logbook::LoggedRound> logged = book->Rounds(latest);
        rounds::RoundFile file;
        file.rounds.reserve(logged.size());
        for (auto it = logged.rbegin(); it != logged.rend(); ++it) {
            file.rounds.push_back(std::move(it->round));
            file.rounds.back().number = static_cast<int>(file.rounds.size());
        }
        return file;
    } catch (const std::exception&) {
        // No logbook yet, or one this program may not read: the page simply waits for a file.
        return std::nullopt;
    }
}

}  // namespace veldrant::app
