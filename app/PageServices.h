// What the main window lends its pages: the progress bar, the locking of Exit and Close, the
// shared font, the device link with its gate, and the file dialogs.
#pragma once

#include <QFont>

#include "app/FileDialogs.h"
#include "app/LinkGate.h"
#include "devicelink/DeviceLink.h"

class CTextProgressCtrl;

namespace veldrant::app {

class IPageServices {
public:
    virtual ~IPageServices() = default;
    // UI thread only.
    virtual CTextProgressCtrl& ProgressBar() = 0;
    // Disables (true) or enables (false) the Exit button and the window's Close command.
    // Calls nest: the controls come back when every lock has been given back. UI thread only.
    virtual void LockForOperation(bool lock) = 0;
    virtual const QFont& SharedFont() const = 0;
    // The one device link (g_pDeviceLink); nullptr only before start-up and after teardown.
    virtual CDeviceLink* Link() = 0;
    virtual CLinkGate& Gate() = 0;
    virtual IFileDialogs& FileDialogs() = 0;
};

}  // namespace veldrant::app
