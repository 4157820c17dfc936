#include "app/FileDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>

#include <cstdint>

namespace veldrant::app {

QString ReplaceQuestionText(const QString& fileName) {
    return QString::fromUtf8("%1 は既に存在します。\n置き換えますか?").arg(fileName);
}

QString MissingFolderText(const QString& folder) {
    return QString::fromUtf8("%1\nフォルダーが存在しません。\nフォルダー名を確認してください。")
        .arg(QDir::toNativeSeparators(folder));
}

std::vector<platform::FileFilter> SystemFilters(const QString& filter) {
    static const QRegularExpression entry(QStringLiteral("^.*\\(([^()]*)\\)$"));
    std::vector<platform::FileFilter> out;
    for (const QString& item : filter.split(QStringLiteral(";;"), Qt::SkipEmptyParts)) {
        QRegularExpressionMatch m = entry.match(item);
        out.push_back({item.toStdString(), m.hasMatch() ? m.captured(1).toStdString() : "*"});
    }
    return out;
}

QStringList DialogNameFilters(const QString& filter) {
    // Qt matches "*.*" only against names with a dot and shows each entry's patterns in its
    // text. Each entry gets its patterns once more after the text, and the dialog shows only
    // what comes before them: the text stays as written while the patterns do what they say.
    static const QRegularExpression entry(QStringLiteral("^(.*)\\(([^()]*)\\)$"));
    QStringList out;
    for (const QString& item : filter.split(QStringLiteral(";;"))) {
        QRegularExpressionMatch m = entry.match(item);
        if (!m.hasMatch()) {
            out << item;
            continue;
        }
        static const QRegularExpression separators(QStringLiteral("[; ]+"));
        QStringList patterns = m.captured(2).split(separators, Qt::SkipEmptyParts);
        for (QString& p : patterns) {
            if (p == QStringLiteral("*.*"))
                p = QStringLiteral("*");
        }
        out << item + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return out;
}

namespace {

// Qt's dialog, with the checks the desktop's own dialog makes before it closes: the folder of
// a typed name must exist, and an existing file is replaced only when the user says so.
class CFileDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    void accept() override {
        const QString path = selectedFiles().value(0);
        const QFileInfo info(path);
        // Empty, or a folder: Qt's own handling (a folder is opened).
        if (path.isEmpty() || info.isDir()) {
            QFileDialog::accept();
            return;
        }
        if (!info.absoluteDir().exists()) {
            Tell(MissingFolderText(info.absolutePath()));
            return;
        }
        if (acceptMode() == AcceptSave && info.exists() && !ConfirmReplace(info.fileName()))
            return;
        QFileDialog::accept();
    }

private:
    void Tell(const QString& text) {
        QPointer<QMessageBox> box =
            new QMessageBox(QMessageBox::Warning, windowTitle(), text, QMessageBox::Ok, this);
        box->setObjectName("missingFolderBox");
        box->exec();
        delete box.data();
    }

    bool ConfirmReplace(const QString& fileName) {
        QPointer<QMessageBox> box = new QMessageBox(
            QMessageBox::Warning, QString::fromUtf8(kCaptionConfirmSave),
            ReplaceQuestionText(fileName), QMessageBox::Yes | QMessageBox::No, this);
        box->setObjectName("replaceQuestionBox");
        box->button(QMessageBox::Yes)->setText(QString::fromUtf8("はい(&Y)"));
        box->button(QMessageBox::No)->setText(QString::fromUtf8("いいえ(&N)"));
        // Enter keeps the file.
        box->setDefaultButton(QMessageBox::No);
        const bool replace = box->exec() == QMessageBox::Yes;
        delete box.data();
        return replace;
    }
};

void Prepare(CFileDialog& dialog, const QString& filter) {
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    // The question is ours (in the window's language), not Qt's.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    // Shows each filter's text alone; DialogNameFilters appended the patterns.
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setNameFilters(DialogNameFilters(filter));
}

void StartIn(CFileDialog& dialog, const QString& folder) {
    if (!folder.isEmpty())
        dialog.setDirectory(folder);
}

QString RunDialog(CFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

}  // namespace

QString CQtFileDialogs::GetOpenFileName(QWidget* owner, const QString& title,
                                        const QString& filter) {
    CFileDialog dialog(owner, title);
    dialog.setObjectName("openFileDialog");
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Any name in an existing folder: one that names no file reaches the page's job, which
    // says that it cannot open it.
    dialog.setFileMode(QFileDialog::AnyFile);
    Prepare(dialog, filter);
    StartIn(dialog, startFolder);
    return RunDialog(dialog);
}

QString CQtFileDialogs::GetSaveFileName(QWidget* owner, const QString& defaultName,
                                        const QString& filter) {
    CFileDialog dialog(owner, QString::fromUtf8(kTitleSave));
    dialog.setObjectName("saveFileDialog");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    Prepare(dialog, filter);
    StartIn(dialog, startFolder);
    dialog.selectFile(defaultName);
    return RunDialog(dialog);
}

QString CDesktopFileDialogs::GetOpenFileName(QWidget* owner, const QString& title,
                                             const QString& filter) {
    return Choose(owner, false, title, QString(), filter);
}

QString CDesktopFileDialogs::GetSaveFileName(QWidget* owner, const QString& defaultName,
                                             const QString& filter) {
    return Choose(owner, true, QString(), defaultName, filter);
}

QString CDesktopFileDialogs::StartFolder() const {
    if (!m_lastFolder.isEmpty())
        return m_lastFolder;
    return QDir::fromNativeSeparators(QString::fromStdString(platform::DefaultDialogFolder()));
}

QString CDesktopFileDialogs::Choose(QWidget* owner, bool save, const QString& title,
                                    const QString& name, const QString& filter) {
    QString chosen;
    platform::FileDialogResult result = platform::FileDialogResult::NotAvailable;
    if (platform::HasSystemFileDialogs()) {
        platform::FileDialogRequest request;
        request.owner = owner ? std::uintptr_t(owner->window()->winId()) : 0;
        request.save = save;
        request.title = title.toStdString();
        request.filters = SystemFilters(filter);
        request.fileName = name.toStdString();
        request.folder = QDir::toNativeSeparators(StartFolder()).toStdString();
        std::string path;
        result = platform::RunSystemFileDialog(request, &path);
        if (result == platform::FileDialogResult::Chosen)
            chosen = QDir::fromNativeSeparators(QString::fromStdString(path));
    }
    // Qt's dialog where the system has none, or could not show its own.
    if (result == platform::FileDialogResult::NotAvailable ||
        result == platform::FileDialogResult::Failed) {
        m_qt.startFolder = StartFolder();
        chosen = save ? m_qt.GetSaveFileName(owner, name, filter)
                      : m_qt.GetOpenFileName(owner, title, filter);
    }
    if (!chosen.isEmpty())
        m_lastFolder = QFileInfo(chosen).absolutePath();
    return chosen;
}

}  // namespace veldrant::app
