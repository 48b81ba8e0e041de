// The replay driver: opens the real canvas window, plays an input script into it and exits.
// Usage: replay SCRIPT   (pages, logs and grabbed frames go to the working directory)
#include <QApplication>
#include <QFile>
#include <QTest>
#include <iostream>

#include "app/AppMain.h"
#include "app/MyProject.h"
#include "app/ReplayDriver.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: replay SCRIPT\n";
        return 2;
    }
    prepareApplication();
    QApplication app(argc, argv);
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::ReadOnly)) {
        std::cerr << "replay: cannot open " << argv[1] << "\n";
        return 2;
    }
    std::string error;
    const auto script = ReplayScript::parse(file.readAll().toStdString(), error);
    if (!script) {
        std::cerr << "replay: " << argv[1] << ": " << error << "\n";
        return 2;
    }
    int result = 0;
    {
        MyProject widget(nullptr, 16);
        widget.resize(800, 600);
        widget.move(0, 0);
        widget.show();
        if (!QTest::qWaitForWindowExposed(&widget)) {
            std::cerr << "replay: the window was not shown\n";
            return 1;
        }
        ReplayDriver driver(widget);
        driver.runEventLoop(50);
        result = driver.run(*script) ? 0 : 1;
    }
    return result;
}
