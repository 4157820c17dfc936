#include "app/logbook/ShowLogbook.h"

namespace veldrant::app {

bool HasLogbook() {
    return false;
}

QWidget* ShowLogbookWindow(QWidget*, const std::string&) {
    return nullptr;
}

QString AddImportToLogbook(const QString&, const std::function<void(const QString&)>&) {
    return {};
}

std::optional<rounds::RoundFile> LatestLogbookRounds(size_t, std::string&) {
    return std::nullopt;
}

}  // namespace veldrant::app
