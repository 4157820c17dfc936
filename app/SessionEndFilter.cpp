#include "app/SessionEndFilter.h"

#include <QByteArray>

#include <cstdint>
#include <string_view>

#include "platform/SessionGuard.h"

namespace veldrant::app {

bool CSessionEndFilter::nativeEventFilter(const QByteArray& eventType, void* message,
                                          qintptr* result) {
    std::intptr_t answer = 0;
    if (!platform::AnswerSessionEnd(
            std::string_view(eventType.constData(), std::size_t(eventType.size())), message,
            &answer))
        return false;
    if (result)
        *result = qintptr(answer);
    return true;
}

}  // namespace veldrant::app
