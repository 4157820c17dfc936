#include "app/logbook/TableCopy.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>

#include <algorithm>
#include <climits>

namespace veldrant::app {
namespace {

QString Header(const QAbstractItemModel& model, int section, Qt::Orientation orientation) {
    return model.headerData(section, orientation).toString();
}

}  // namespace

QString TableText(const QTableView& view, bool all) {
    const QAbstractItemModel* model = view.model();
    if (!model)
        return {};
    int top = 0, bottom = model->rowCount() - 1, left = 0, right = model->columnCount() - 1;
    QModelIndexList chosen;
    if (!all) {
        chosen =
            view.selectionModel() ? view.selectionModel()->selectedIndexes() : QModelIndexList();
        if (chosen.isEmpty())
            return {};
        top = left = INT_MAX;
        bottom = right = -1;
        for (const QModelIndex& i : chosen) {
            top = std::min(top, i.row());
            bottom = std::max(bottom, i.row());
            left = std::min(left, i.column());
            right = std::max(right, i.column());
        }
    }
    const bool rowHeaders = all && view.verticalHeader()->isVisible();
    QString text;
    auto cell = [&](int row, int column) {
        const QModelIndex i = model->index(row, column);
        return all || chosen.contains(i) ? i.data().toString() : QString();
    };
    if (all) {
        QStringList line;
        if (rowHeaders)
            line << QString();
        for (int c = left; c <= right; ++c)
            line << Header(*model, c, Qt::Horizontal);
        text += line.join('\t') + '\n';
    }
    for (int r = top; r <= bottom; ++r) {
        QStringList line;
        if (rowHeaders)
            line << Header(*model, r, Qt::Vertical);
        for (int c = left; c <= right; ++c)
            line << cell(r, c);
        text += line.join('\t') + '\n';
    }
    return text;
}

void AllowCopy(QTableView* view) {
    auto* copy = new QAction(QStringLiteral("コピー(&C)"), view);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    QObject::connect(copy, &QAction::triggered, view, [view] {
        const QString text = TableText(*view, false);
        if (!text.isEmpty())
            QGuiApplication::clipboard()->setText(text);
    });
    auto* copyAll = new QAction(QStringLiteral("すべてコピー(&A)"), view);
    QObject::connect(copyAll, &QAction::triggered, view,
                     [view] { QGuiApplication::clipboard()->setText(TableText(*view, true)); });
    view->addAction(copy);
    view->addAction(copyAll);
    view->setContextMenuPolicy(Qt::ActionsContextMenu);
}

}  // namespace veldrant::app
