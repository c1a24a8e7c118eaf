// Test entry point: a QApplication on the offscreen platform unless one is chosen.
#include "resources/Artwork.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InstallFontSubstitutes();
    QApplication::setStyle(CreateClassicStyle());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
