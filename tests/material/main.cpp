#include <gtest/gtest.h>

#include <QGuiApplication>

// Making PDFs and pictures needs the toolkit's fonts, not a display.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
