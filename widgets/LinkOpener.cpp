#include "widgets/LinkOpener.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStringList>
#include <QUrl>

#include "widgets/HyperLinkErrors.h"

int OpenWithDesktop(const QString& target) {
    const QUrl url = QUrl::fromUserInput(target);
    if (url.isValid() && QDesktopServices::openUrl(url)) {
        return kOpenSucceeded;
    }
    // Platforms without desktop services (a bare X session, the offscreen platform) still
    // usually have the freedesktop opener.
    if (QProcess::startDetached(QStringLiteral("xdg-open"), {target})) {
        return kOpenSucceeded;
    }
    return kOpenNoAssociation;
}
