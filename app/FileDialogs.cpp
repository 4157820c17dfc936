#include "app/FileDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

namespace veldrant::app {

namespace {

QString RunDialog(QFileDialog& dialog) {
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

}  // namespace

QString CQtFileDialogs::GetOpenFileName(QWidget* owner, const QString& title,
                                        const QString& filter) {
    QFileDialog dialog(owner, title);
    dialog.setObjectName("openFileDialog");
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(filter.split(";;"));
    return RunDialog(dialog);
}

QString CQtFileDialogs::GetSaveFileName(QWidget* owner, const QString& defaultName,
                                        const QString& filter) {
    QFileDialog dialog(owner);
    dialog.setObjectName("saveFileDialog");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The file is replaced without asking, and nothing is appended to the name.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setNameFilters(filter.split(";;"));
    dialog.selectFile(defaultName);
    QString path = RunDialog(dialog);
    // Qt's dialog accepts a name in a folder that does not exist; refuse it here, as the
    // folder has to be there for the file to be created.
    if (!path.isEmpty() && !QFileInfo(path).absoluteDir().exists())
        return QString();
    return path;
}

}  // namespace veldrant::app
