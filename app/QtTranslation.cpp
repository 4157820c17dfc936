#include "app/QtTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace veldrant::app {

QStringList QtCatalogFolders() {
    return {QCoreApplication::applicationDirPath() + QStringLiteral("/translations"),
            QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
}

bool InstallQtTranslation(QCoreApplication& app) {
    auto* translator = new QTranslator(&app);
    for (const QString& folder : QtCatalogFolders()) {
        if (translator->load(QString::fromLatin1(kQtCatalog), folder))
            return QCoreApplication::installTranslator(translator);
    }
    delete translator;
    return false;
}

}  // namespace veldrant::app
