// The file choices the pages ask of the user. The desktop shows Qt's dialogs; tests put in
// their own answers.
#pragma once

#include <QString>
#include <QStringList>

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

// Qt's own file dialogs (no native helper, so that they look the same on every desktop).
class CQtFileDialogs : public IFileDialogs {
public:
    QString GetOpenFileName(QWidget* owner, const QString& title, const QString& filter) override;
    QString GetSaveFileName(QWidget* owner, const QString& defaultName,
                            const QString& filter) override;
};

}  // namespace veldrant::app
