// Adding mark CSV files to the logbook from the window: each file in its own transaction, with
// one line per file in the window's language and a total.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

#include "logbook/Logbook.h"

namespace veldrant::app {

// "12ラウンド：新規 1、記録済み 11" ("…、追記 2、…" when rounds were extended).
QString LogbookSummaryText(const logbook::AddSummary& s);

struct LogbookAddReport {
    logbook::AddSummary total;
    int added = 0;    // files added (or already there)
    int refused = 0;  // files that are not mark CSV files, or that the logbook refused
    QString text;     // a line per file, then the total
};

// Shows that this program waits while another one writes to the logbook: `show` puts the text
// in its place and every window is drawn at once (the program's own events wait meanwhile); the
// busy cursor stays until the program is back at its events.
void ShowLogbookWaiting(const std::function<void(const QString&)>& show);

// Adds each file; a file that cannot be read or added is named with the reason and the others
// still go in.
// `before` is told each file's number (from 1) and name before it is read.
LogbookAddReport AddFilesToLogbook(
    logbook::Logbook& book, const QStringList& paths,
    const std::function<void(int number, const QString& name)>& before = {});

}  // namespace veldrant::app
