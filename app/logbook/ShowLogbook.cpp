#include "app/logbook/ShowLogbook.h"

#include <QPointer>

#include "app/logbook/LogbookWindow.h"
#include "logbook/Logbook.h"

namespace veldrant::app {

bool HasLogbook() {
    return true;
}

QWidget* ShowLogbookWindow(QWidget* owner, const std::string& path) {
    static QPointer<CLogbookWindow> shown;
    if (shown && shown->isVisible()) {
        shown->raise();
        shown->activateWindow();
        return shown;
    }
    // A child of a modal window is not blocked by it; the flag keeps it a window of its own.
    shown = new CLogbookWindow(owner);
    shown->show();
    shown->OpenLogbook(logbook::LogbookPath(path));
    return shown;
}

}  // namespace veldrant::app
