#include "app/BrassieApp.h"

#include <QApplication>

#include "app/QtTranslation.h"
#include "platform/SingleInstance.h"

int CBrassieApp::Run(int argc, char** argv, BrassieOptions options) {
    // The lock lives as long as this copy runs; the kernel drops it with the process.
    veldrant::platform::CSingleInstance instance(kInstanceLockName);
    if (instance.State() != veldrant::platform::InstanceState::First)
        return 0;

    QApplication app(argc, argv);
    // The window speaks Japanese; Qt's own dialogs and buttons must too.
    veldrant::app::InstallQtTranslation(app);
    QApplication::setApplicationName("veldrant");
    // Wayland desktops match the window to its menu entry (and icon) by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.veldrant.Veldrant"));
    // The window's own end is the program's end.
    QApplication::setQuitOnLastWindowClosed(false);

    CBrassieDlg dialog(std::move(options));
    dialog.exec();
    return 0;
}
