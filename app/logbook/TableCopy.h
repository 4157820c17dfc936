// Copying a table's figures: Ctrl+C and the context menu's コピー take the selected cells,
// すべてコピー every cell with the headers, as tab-separated lines that a spreadsheet or a text
// editor takes.
#pragma once

#include <QString>

class QTableView;

namespace veldrant::app {

// Gives `view` the copy shortcut and the two context menu entries.
void AllowCopy(QTableView* view);

// The text copied: a line per row, a tab between columns. The selection as its bounding block
// (cells in it that are not selected stay empty); `all` takes every cell, with the column
// headers as the first line and the row headers as the first column where they are shown.
QString TableText(const QTableView& view, bool all);

}  // namespace veldrant::app
