// The replay driver: opens the real canvas window, plays an input script into it and exits.
// Usage: replay SCRIPT   (pages, logs and grabbed frames go to the working directory)
#include <QApplication>
#include <iostream>

#include "app/AppMain.h"
#include "app/WorkFolder.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: replay SCRIPT\n";
        return 2;
    }
    std::string error;
    const auto lock = lockWorkFolder(error);  // the working directory is the pages' folder
    if (!lock) {
        std::cerr << "replay: " << error << "\n";
        return 1;
    }
    prepareApplication();
    QApplication app(argc, argv);
    return runReplay(argv[1]);
}
