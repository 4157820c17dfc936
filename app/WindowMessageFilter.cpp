#include "app/WindowMessageFilter.h"

#include <QByteArray>

#include <cstdint>
#include <string_view>

#include "platform/SessionGuard.h"
#include "platform/WindowMenu.h"

namespace veldrant::app {

bool CWindowMessageFilter::nativeEventFilter(const QByteArray& eventType, void* message,
                                             qintptr* result) {
    const std::string_view type(eventType.constData(), std::size_t(eventType.size()));
    if (platform::TakeWindowMenuKey(type, message))
        return true;
    std::intptr_t answer = 0;
    if (!m_bRefuseSessionEnd || !platform::AnswerSessionEnd(type, message, &answer))
        return false;
    if (result)
        *result = qintptr(answer);
    return true;
}

}  // namespace veldrant::app
