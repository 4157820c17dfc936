// The window tests run in one QApplication on the offscreen platform: no display is needed.
// Defining main here keeps gtest_main's out of the link.
#include <QApplication>

#include <gtest/gtest.h>

#include "app/QtTranslation.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // As the program does: Qt's own texts in Japanese.
    veldrant::app::InstallQtTranslation(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
