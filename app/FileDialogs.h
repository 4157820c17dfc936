// The file choices the pages ask of the user. The desktop shows the system's own dialogs where
// it has them (Windows), else Qt's; tests put in their own answers.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

#include "platform/FileDialog.h"

class QWidget;

namespace veldrant::app {

// Filter lists, first entry selected.
inline constexpr const char* kFilterCsv = "CSV Files(*.csv);;All File(*.*)";
inline constexpr const char* kFilterZip = "Golf Files(*.zip);;All File(*.*)";
inline constexpr const char* kFilterBin = "Bin Files(*.bin);;All File(*.*)";
inline constexpr const char* kTitleOpen = "開く";
// The save dialog's title and the caption of its question before a file is replaced.
inline constexpr const char* kTitleSave = "名前を付けて保存";
inline constexpr const char* kCaptionConfirmSave = "名前を付けて保存の確認";

// "<name> は既に存在します。\n置き換えますか?"
QString ReplaceQuestionText(const QString& fileName);
// What the dialogs say, staying open, when a typed name lies in a folder that does not exist.
QString MissingFolderText(const QString& folder);

// The filter list as the dialog gets it: each entry shows its own text, and "*.*" matches
// every name, one without a dot too (as it does on the desktop this program comes from).
QStringList DialogNameFilters(const QString& filter);

// The filter list as the system's dialog takes it: each entry's text, and the patterns in its
// last brackets ("*.*" stays "*.*", which matches every name there).
std::vector<platform::FileFilter> SystemFilters(const QString& filter);

class IFileDialogs {
public:
    virtual ~IFileDialogs() = default;
    // A file to read: a name typed in an existing folder comes back even when no such file
    // exists (the page's job then says that it cannot read it). Empty when the user cancels.
    virtual QString GetOpenFileName(QWidget* owner, const QString& title,
                                    const QString& filter) = 0;
    // A file to write, in an existing folder, pre-filled with `defaultName`; the user is asked
    // before an existing file is replaced. Empty when the user cancels.
    virtual QString GetSaveFileName(QWidget* owner, const QString& defaultName,
                                    const QString& filter) = 0;
};

// Qt's own file dialogs (no desktop helper, so that they look the same on every desktop).
class CQtFileDialogs : public IFileDialogs {
public:
    QString GetOpenFileName(QWidget* owner, const QString& title, const QString& filter) override;
    QString GetSaveFileName(QWidget* owner, const QString& defaultName,
                            const QString& filter) override;

    // Where the next dialog starts; empty: the working folder.
    QString startFolder;
};

// The window's dialogs: the system's own where it has them, else Qt's. Each starts in the
// folder of the last file chosen, else in platform::DefaultDialogFolder() (not in the working
// folder: a program started from the Start menu works in its own folder, where a user's files
// do not belong).
class CDesktopFileDialogs : public IFileDialogs {
public:
    QString GetOpenFileName(QWidget* owner, const QString& title, const QString& filter) override;
    // The system's save dialog has the system's own title, as a dialog without one does.
    QString GetSaveFileName(QWidget* owner, const QString& defaultName,
                            const QString& filter) override;
    QString StartFolder() const;

private:
    QString Choose(QWidget* owner, bool save, const QString& title, const QString& name,
                   const QString& filter);

    CQtFileDialogs m_qt;
    QString m_lastFolder;
};

}  // namespace veldrant::app
