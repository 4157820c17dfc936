#include "app/MessageBox.h"

#include <QMessageBox>
#include <QPointer>
#include <QString>

namespace veldrant::app {

namespace {
QMessageBox::Icon ToQt(ops::MessageIcon icon) {
    switch (icon) {
        case ops::MessageIcon::Error:
            return QMessageBox::Critical;
        case ops::MessageIcon::Exclamation:
            return QMessageBox::Warning;
        case ops::MessageIcon::Information:
            return QMessageBox::Information;
        case ops::MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}
}  // namespace

void ShowMessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                    ops::MessageIcon icon) {
    // On the heap and watched: should the owner go while the box is open, it takes the box
    // with it, and the box must not be deleted twice.
    QPointer<QMessageBox> box =
        new QMessageBox(ToQt(icon), QString::fromStdString(caption), QString::fromStdString(text),
                        QMessageBox::Ok, owner);
    box->setObjectName("messageBox");
    box->exec();
    delete box.data();
}

}  // namespace veldrant::app
