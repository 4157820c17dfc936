#include "widgets/LinkOpener.h"

#include "platform/WebBrowser.h"
#include "widgets/HyperLinkErrors.h"

static_assert(veldrant::platform::kBrowserStarted == kOpenSucceeded);
static_assert(veldrant::platform::kBrowserNoAssociation == kOpenNoAssociation);

int OpenWithDesktop(const QString& target) {
    return veldrant::platform::OpenWebAddress(target.toStdString());
}
