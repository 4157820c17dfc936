// The file choices the pages ask of the user. The desktop shows Qt's dialogs; tests put in
// their own answers.
#pragma once

#include <QString>

class QWidget;

namespace veldrant::app {

// Filter lists, first entry selected.
inline constexpr const char* kFilterCsv = "CSV Files(*.csv);;All File(*.*)";
inline constexpr const char* kFilterZip = "Golf Files(*.zip);;All File(*.*)";
inline constexpr const char* kFilterBin = "Bin Files(*.bin);;All File(*.*)";
inline constexpr const char* kTitleOpen = "開く";

class IFileDialogs {
public:
    virtual ~IFileDialogs() = default;
    // An existing file to read; an empty string when the user cancels.
    virtual QString GetOpenFileName(QWidget* owner, const QString& title,
                                    const QString& filter) = 0;
    // A file to write, in an existing folder, pre-filled with `defaultName`; no overwrite
    // question. An empty string when the user cancels.
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
