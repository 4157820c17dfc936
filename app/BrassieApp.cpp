#include "app/BrassieApp.h"

#include <QApplication>

#include <cstdio>

#include "app/QtTranslation.h"
#include "app/logbook/ShowLogbook.h"
#include "platform/SingleInstance.h"

namespace {

// The program's name and language, for both windows.
void SetUp(QApplication& app) {
    // The window speaks Japanese; Qt's own dialogs and buttons must too.
    veldrant::app::InstallQtTranslation(app);
    QApplication::setApplicationName("veldrant");
    // Wayland desktops match the window to its menu entry (and icon) by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.veldrant.Veldrant"));
}

}  // namespace

int CBrassieApp::Run(int argc, char** argv, BrassieOptions options) {
    // The lock lives as long as this copy runs; the kernel drops it with the process.
    veldrant::platform::CSingleInstance instance(kInstanceLockName);
    if (instance.State() != veldrant::platform::InstanceState::First)
        return 0;

    QApplication app(argc, argv);
    SetUp(app);
    // The window's own end is the program's end.
    QApplication::setQuitOnLastWindowClosed(false);

    CBrassieDlg dialog(std::move(options));
    dialog.exec();
    return 0;
}

int CBrassieApp::RunLogbook(int argc, char** argv, const std::string& path) {
    QApplication app(argc, argv);
    SetUp(app);
    if (!veldrant::app::ShowLogbookWindow(nullptr, path)) {
        std::fprintf(stderr, "veldrant: this build has no logbook\n");
        return 1;
    }
    return QApplication::exec();
}
