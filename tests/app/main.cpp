// GUI tests run in a real window: one QApplication for the whole run.
#include <gtest/gtest.h>

#include <QApplication>

#include "app/AppMain.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    prepareApplication();
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
