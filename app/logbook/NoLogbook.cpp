#include "app/logbook/ShowLogbook.h"

namespace veldrant::app {

bool HasLogbook() {
    return false;
}

QWidget* ShowLogbookWindow(QWidget*, const std::string&) {
    return nullptr;
}

QString AddImportToLogbook(const QString&) {
    return {};
}

}  // namespace veldrant::app
