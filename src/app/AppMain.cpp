#include "app/AppMain.h"

#include <QApplication>
#include <QSurfaceFormat>

#include "app/MyProject.h"

void prepareApplication() {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setSamples(16);
    QSurfaceFormat::setDefaultFormat(format);
    // A shared context survives the native window being recreated by a layout change.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

int runApplication(int argc, char** argv) {
    prepareApplication();
    QApplication app(argc, argv);
    QObject::connect(&app, &QGuiApplication::lastWindowClosed, &app, &QCoreApplication::quit);
    int result = 0;
    {
        MyProject widget;
        widget.show();
        result = app.exec();
    }
    return result;
}
