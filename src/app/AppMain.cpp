#include "app/AppMain.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSurfaceFormat>
#include <QTest>
#include <iostream>
#include <vector>

#include "app/LaunchOptions.h"
#include "app/CanvasWidget.h"
#include "app/ReplayDriver.h"
#include "app/WorkFolder.h"
#include "platform/TextureManager.h"

void prepareApplication() {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setSamples(16);
    // Frames are drawn on demand; where the platform has vsync an animation's frames wait
    // for it instead of running as fast as the machine allows.
    format.setSwapInterval(1);
    QSurfaceFormat::setDefaultFormat(format);
    // A shared context survives the native window being recreated by a layout change.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

int runApplication(int argc, char** argv) {
    const LaunchOptions options =
        parseLaunchOptions(std::vector<std::string>(argv + 1, argv + argc));
    switch (options.action) {
        case LaunchOptions::Action::Help:
            std::cout << launchUsage();
            return 0;
        case LaunchOptions::Action::Version:
            std::cout << "inkboard " INKBOARD_VERSION "\n";
            return 0;
        case LaunchOptions::Action::BadUsage:
            std::cerr << "inkboard: " << options.error << "\n\n" << launchUsage();
            return 2;
        case LaunchOptions::Action::Run:
            break;
    }

    std::optional<LiveLesson::Settings> room;
    if (!options.share.empty()) {
        std::string error;
        room.emplace();
        room->address = *share::parseRoomAddress(options.share, error);
        if (!options.shareCredentials.empty()) {
            const auto credentials = share::readCredentials(options.shareCredentials, error);
            if (!credentials) {
                std::cerr << "inkboard: " << error << "\n";
                return 2;
            }
            room->credentials = *credentials;
        }
        if (!options.shareCa.empty()) {
            room->caFile = QDir::current().absoluteFilePath(QString::fromStdString(options.shareCa)).toStdString();
        }
    }

    // Taken before moving into the pages' folder: a folder of drawings is no place to look
    // for the program's images, and a script named on the command line is relative to
    // where the user was.
    setAssetStartFolder(QDir::currentPath().toStdString());
    const std::string replayScript =
        options.replayScript.empty()
            ? std::string()
            : QDir::current()
                  .absoluteFilePath(QString::fromStdString(options.replayScript))
                  .toStdString();
    std::vector<std::string> importFiles;
    for (const std::string& f : options.importFiles)
        importFiles.push_back(QDir::current().absoluteFilePath(QString::fromStdString(f)).toStdString());
    // The folder is entered before the window exists, so a bad one is reported without a
    // display and before any page is read.
    const std::string folder = options.inDocuments ? documentsWorkFolder() : options.folder;
    std::string error;
    if (!folder.empty() && !enterWorkFolder(folder, error)) {
        std::cerr << "inkboard: " << error << "\n";
        return 1;
    }
    // Held until the program ends, after the window has saved and flushed its journals.
    const std::unique_ptr<io::FolderLock> lock = lockWorkFolder(error);
    if (!lock) {
        std::cerr << "inkboard: " << error << "\n";
        return 1;
    }

    prepareApplication();
    // The toolkit sees no argument: every one was ours, and a folder named like a toolkit
    // option must not be taken as one.
    int toolkitArgc = 1;
    QApplication app(toolkitArgc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("inkboard"));
    QCoreApplication::setApplicationVersion(QStringLiteral(INKBOARD_VERSION));
    // Lets the desktop match the window to the desktop entry (its name and icon).
    QGuiApplication::setDesktopFileName(QStringLiteral("inkboard"));
    if (!replayScript.empty()) return runReplay(replayScript, room, importFiles);

    QObject::connect(&app, &QGuiApplication::lastWindowClosed, &app, &QCoreApplication::quit);
    int result = 0;
    {
        CanvasWidget widget;
        if (room) widget.joinRoom(*room);
        widget.importOnStart(importFiles);
        widget.setFullScreenLayout(!options.windowed);
        result = app.exec();
    }
    return result;
}

int runReplay(const std::string& scriptPath, const std::optional<LiveLesson::Settings>& room,
              const std::vector<std::string>& importFiles) {
    QFile file(QString::fromStdString(scriptPath));
    if (!file.open(QIODevice::ReadOnly)) {
        std::cerr << "replay: cannot open " << scriptPath << "\n";
        return 2;
    }
    std::string error;
    const auto script = ReplayScript::parse(file.readAll().toStdString(), error);
    if (!script) {
        std::cerr << "replay: " << scriptPath << ": " << error << "\n";
        return 2;
    }
    CanvasWidget widget;
    if (room) widget.joinRoom(*room);
    widget.importOnStart(importFiles);
    widget.resize(800, 600);
    widget.move(0, 0);
    widget.show();
    if (!QTest::qWaitForWindowExposed(&widget)) {
        std::cerr << "replay: the window was not shown\n";
        return 1;
    }
    ReplayDriver driver(widget);
    driver.runEventLoop(50);
    return driver.run(*script) ? 0 : 1;
}
