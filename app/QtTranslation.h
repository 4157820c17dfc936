// Qt's own texts (the file dialog's labels and buttons, the standard buttons, the edit menus) in
// Japanese, like everything else the window says.
#pragma once

#include <QStringList>

class QCoreApplication;

namespace veldrant::app {

// Qt's catalog of its base module in Japanese, as Qt names its translation files.
inline constexpr const char* kQtCatalog = "qtbase_ja";

// Where the catalog is looked for, in order: "translations" beside the program (the Windows
// folder carries it there), then Qt's own translations folder (the Linux package's).
QStringList QtCatalogFolders();

// Loads Qt's Japanese catalog and installs it on `app`, which keeps it. False when it is found
// nowhere or cannot be read: Qt's texts then stay in English, and the window still runs.
bool InstallQtTranslation(QCoreApplication& app);

}  // namespace veldrant::app
