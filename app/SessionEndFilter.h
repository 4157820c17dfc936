// Answers the window system's questions about the session's end before the toolkit sees them:
// on Windows the end-session query is refused while the window is open; the platform says which
// native messages these are.
#pragma once

#include <QAbstractNativeEventFilter>

namespace veldrant::app {

class CSessionEndFilter : public QAbstractNativeEventFilter {
public:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
};

}  // namespace veldrant::app
