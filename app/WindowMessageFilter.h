// Answers some of the window system's messages before the toolkit sees them; the platform says
// which they are. The session's end: on Windows the end-session query is refused while the
// window is open. The window menu's key (Alt+Space on Windows) while Close is greyed opens the
// system's own menu, which keeps Close greyed, instead of the toolkit's, which enables it again.
#pragma once

#include <QAbstractNativeEventFilter>

namespace veldrant::app {

class CWindowMessageFilter : public QAbstractNativeEventFilter {
public:
    explicit CWindowMessageFilter(bool refuseSessionEnd) : m_bRefuseSessionEnd(refuseSessionEnd) {}
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    bool m_bRefuseSessionEnd;
};

}  // namespace veldrant::app
