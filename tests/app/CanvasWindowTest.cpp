#include <GL/gl.h>
#include <gtest/gtest.h>

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QScreen>

#include "WindowHarness.h"
#include "io/PageFile.h"
#include "app/ReplayDriver.h"
#include "controller/CanvasController.h"
#include "platform/TextureManager.h"

namespace {
// Runs the replay driver on a script in a fresh folder; returns its exit code.
int runReplay(const QTemporaryDir& dir, const QString& scriptText, QString* output = nullptr) {
    QFile f(dir.filePath("script.replay"));
    f.open(QIODevice::WriteOnly);
    f.write(scriptText.toUtf8());
    f.close();
    QProcess p;
    p.setWorkingDirectory(dir.path());
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral(INKBOARD_BUILD_DIR "/replay"), {f.fileName()});
    if (!p.waitForFinished(60000)) return -1;
    if (output) *output = QString::fromUtf8(p.readAll());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
}

void paintAndCheckProjection(CanvasWidget& widget, int w, int h) {
    widget.makeCurrent();
    GLfloat m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    widget.doneCurrent();
    // glOrtho(0, w, 0, h, -1, 1): one unit per pixel, origin at the lower left.
    EXPECT_FLOAT_EQ(m[0], 2.0f / w);
    EXPECT_FLOAT_EQ(m[5], 2.0f / h);
    EXPECT_FLOAT_EQ(m[12], -1.0f);
    EXPECT_FLOAT_EQ(m[13], -1.0f);
}
}  // namespace

TEST(CanvasWindow, ProjectionFollowsEveryResize) {
    WindowHarness w(640, 480);
    ASSERT_TRUE(w.exposed);
    paintAndCheckProjection(*w.widget, 640, 480);
    EXPECT_EQ(w.widget->canvasHeight(), 480u);
    w.widget->resize(500, 300);
    w.settle(100);
    w.widget->grabFramebuffer();
    paintAndCheckProjection(*w.widget, 500, 300);
    EXPECT_EQ(w.manager().controller().zones().width, 500.0f);
    EXPECT_EQ(w.manager().controller().zones().height, 300.0f);
}

TEST(CanvasWindow, GrantsMultisamplingAndDrawsAWhiteCanvas) {
    WindowHarness w;
    ASSERT_TRUE(w.exposed);
    const QImage frame = w.widget->grabFramebuffer();
    EXPECT_GT(w.widget->grantedSamples(), 0);
    // Inside the page, away from every overlay: white.
    EXPECT_EQ(frame.pixelColor(400, 300).lightness(), 255);
}

TEST(CanvasWindow, StartsInTheLayoutOfItsStateAndF1SwitchesLayouts) {
    WindowHarness w;
    ASSERT_TRUE(w.exposed);
    ASSERT_TRUE(w.widget->isFullScreenLayout()) << "starts in the full-screen state";
    const auto expectFullScreen = [&] {
        EXPECT_TRUE(w.widget->isFullScreenLayout());
        EXPECT_TRUE(w.widget->windowFlags() & Qt::FramelessWindowHint);
        EXPECT_EQ(w.widget->geometry(), w.widget->screen()->virtualGeometry());
    };
    const auto expectWindowed = [&] {
        EXPECT_FALSE(w.widget->isFullScreenLayout());
        EXPECT_EQ(w.widget->size(), QSize(800, 600));
        EXPECT_EQ(w.widget->pos(), QPoint(0, 0));
        EXPECT_FALSE(w.widget->windowFlags() & Qt::FramelessWindowHint);
    };
    ReplayDriver driver(*w.widget);
    std::string error;
    const auto pressF1 = [&] { driver.run(*ReplayScript::parse("key F1\nwait 200\n", error)); };

    w.widget->setFullScreenLayout(true);  // the program's start-up
    w.settle(200);
    expectFullScreen();
    pressF1();
    expectWindowed();
    pressF1();
    expectFullScreen();
    // The drawing survives the window being recreated.
    EXPECT_TRUE(w.widget->manager() != nullptr);

    w.widget->setFullScreenLayout(false);  // --windowed
    w.settle(200);
    expectWindowed();
    pressF1();
    expectFullScreen();
}

TEST(CanvasWindow, EscapeWritesTheCommandLogAndExitsWithZero) {
    QTemporaryDir dir;
    QString out;
    EXPECT_EQ(runReplay(dir,
                        "mouse press 400 300 left\nmouse move 450 300 left\n"
                        "mouse release 450 300 left\nmouse press 30 100 left\n"
                        "mouse release 30 100 left\nkey Escape\necho not reached\n",
                        &out),
              0);
    EXPECT_FALSE(out.contains("not reached"));
    const QStringList logs = QDir(dir.path()).entryList({"*.log"});
    ASSERT_EQ(logs.size(), 1);
    QFile log(dir.filePath(logs[0]));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(log.readAll());
    EXPECT_TRUE(text.startsWith("<?xml version=\"1.0\" ?>\n<CommandLog>\n    <c v=\"1\" t=\""))
        << text.toStdString();
    EXPECT_TRUE(text.contains("<c v=\"0\" t=\"")) << "the band press";
    EXPECT_TRUE(text.contains("<a an=\"")) << "the stroke's record";
    // The unsaved stroke is in the page's journal, which the next start replays.
    EXPECT_TRUE(QFile::exists(dir.filePath("0.xml.journal")));
    EXPECT_FALSE(QFile::exists(dir.filePath("0.xml.unsaved")));
    EXPECT_EQ(runReplay(dir, "key S\nkey Escape\n", &out), 0);
    EXPECT_TRUE(out.contains("Restored 1 change to 0.xml from 0.xml.journal\n")) << out.toStdString();
    const auto page = io::readPageFile(dir.filePath("0.xml").toStdString());
    ASSERT_TRUE(page);
    EXPECT_EQ(page->strokes.size(), 1u);
    EXPECT_FALSE(QFile::exists(dir.filePath("0.xml.journal"))) << "the save emptied it";
}

TEST(CanvasWindow, DemoScriptPlaysToTheEnd) {
    QTemporaryDir dir;
    QFile demo(QStringLiteral(INKBOARD_SOURCE_DIR "/demo/demo.replay"));
    ASSERT_TRUE(demo.open(QIODevice::ReadOnly));
    QString out;
    EXPECT_EQ(runReplay(dir, QString::fromUtf8(demo.readAll()), &out), 0) << out.toStdString();
    EXPECT_TRUE(QFile::exists(dir.filePath("demo-drawn.png")));
    // Blue picked from the palette with real presses inks the line drawn after it, and the
    // hand-outs are written.
    QFile page(dir.filePath("0.xml"));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    EXPECT_TRUE(page.readAll().contains("<Stroke color=\"#0072b2\">"));
    EXPECT_TRUE(QFile::exists(dir.filePath("pages.pdf")));
    EXPECT_EQ(QImage(dir.filePath("0.png")).size(), QSize(1800, 1800));
}

TEST(CanvasWindow, TexturesOutliveTheTextureManagerThatLoadedThem) {
    WindowHarness w;
    ASSERT_TRUE(w.exposed);
    w.widget->makeCurrent();
    for (std::size_t i = 0; i < textureFiles().size(); ++i) {
        const std::uint32_t name = w.manager().texture(i);
        EXPECT_NE(name, 0u) << textureFiles()[i];
        EXPECT_TRUE(glIsTexture(name)) << textureFiles()[i];
    }
    w.widget->doneCurrent();
}

TEST(CanvasWindow, AnUnrelatedImagesFolderInTheWorkingDirectoryDoesNotHideTheAssets) {
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    QDir().mkdir("images");  // a user's own pictures, say
    EXPECT_EQ(assetPath("images/unanimo.ttf"),
              QCoreApplication::applicationDirPath().toStdString() + "/images/unanimo.ttf");
    QFile own("images/unanimo.ttf");
    own.open(QIODevice::WriteOnly);
    own.close();
    EXPECT_EQ(assetPath("images/unanimo.ttf"), "images/unanimo.ttf")
        << "the working directory first";

    // Once the program has moved into its pages' folder, the folder it was started from
    // takes the working directory's place.
    QTemporaryDir start;
    QDir(start.path()).mkdir("images");
    QFile startOwn(start.filePath("images/unanimo.ttf"));
    startOwn.open(QIODevice::WriteOnly);
    startOwn.close();
    setAssetStartFolder(start.path().toStdString());
    EXPECT_EQ(assetPath("images/unanimo.ttf"), startOwn.fileName().toStdString());
    startOwn.remove();
    EXPECT_EQ(assetPath("images/unanimo.ttf"),
              QCoreApplication::applicationDirPath().toStdString() + "/images/unanimo.ttf")
        << "not the pages' folder";
    setAssetStartFolder("");
    QDir::setCurrent(previous);
}
