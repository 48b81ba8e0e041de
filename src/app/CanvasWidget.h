#pragma once

#include <QOpenGLWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/LiveLesson.h"
#include "input/InputRouter.h"
#include "platform/ContactHandler.h"

class FrameManager;
class FrameTimer;
class QtLessonExporter;
class QtMaterialInspector;
class QTimer;
class QTouchEvent;

// The canvas window: one OpenGL widget that is the whole user interface. It turns mouse,
// tablet and touch input into routed events, repaints when the manager asks for a frame
// (input, keys, resizes, running animations; nothing otherwise) and switches between the
// windowed and the full-screen layout with F1.
class CanvasWidget : public QOpenGLWidget, public ContactHandler {
    Q_OBJECT
public:
    using ManagerFactory = std::function<std::unique_ptr<FrameManager>()>;

    // repaintIntervalMs: a positive interval also repaints at that pace, for a driver that
    // wants a steady frame clock; 0 or negative (the program, tests) repaints on demand only.
    explicit CanvasWidget(QWidget* parent = nullptr, int repaintIntervalMs = 0,
                       ManagerFactory factory = nullptr);
    ~CanvasWidget() override;

    FrameManager* manager() const { return manager_.get(); }
    unsigned canvasWidth() const { return canvasWidth_; }
    unsigned canvasHeight() const { return canvasHeight_; }
    bool isFullScreenLayout() const { return fullScreen_; }
    // Samples the GL context granted (read in paintGL; 0 until the first frame).
    int grantedSamples() const { return grantedSamples_; }

    // Files to bring into the lesson once the board is up (the --import option).
    void importOnStart(std::vector<std::string> files) { startImports_ = std::move(files); }
    // Brings files in as pages after the last and shows the first of them (a drop, the
    // chooser); false when none was taken.
    bool importMaterial(const std::vector<std::string>& files);
    // The open button's chooser; returns when it is closed.
    void chooseMaterial();

    void enterFullScreen();
    void leaveFullScreen();
    // Sets the F1 state and applies its layout; shows the window.
    void setFullScreenLayout(bool on);
    // Called by Escape: finishes the run (unsaved drawing, command log) and ends the
    // process with code 0.
    [[noreturn]] void quitNow();

    // Makes the window a board of the room: set before the window is first shown.
    void joinRoom(const LiveLesson::Settings& settings) { room_ = settings; }
    // Null when the window is not in a room (or not shown yet).
    LiveLesson* lesson() const { return lesson_.get(); }

    void OnXYDown(int x, int y, int z, int pointerId) override;
    void OnXYMove(int x, int y, int z, int pointerId) override;
    void OnXYUp(int x, int y, int z, int pointerId) override;

protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void tabletEvent(QTabletEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool event(QEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    static int pixel(double v);
    static bool isTouch(const QEvent* e);
    // Every point of one touch event, and the sequence's start and cancel.
    void takeTouch(QTouchEvent* e);
    // Takes in what the room sent and shows the link's state on the menu.
    void pumpRoom();

    unsigned canvasWidth_ = 1200;
    unsigned canvasHeight_ = 1600;
    bool fullScreen_ = true;
    int grantedSamples_ = 0;
    ManagerFactory factory_;
    // Outlives the manager, whose controller points at it.
    std::unique_ptr<QtLessonExporter> exporter_;
    std::unique_ptr<QtMaterialInspector> inspector_;
    std::vector<std::string> startImports_;
    std::unique_ptr<FrameManager> manager_;
    std::unique_ptr<InputRouter> router_;
    QTimer* timer_ = nullptr;  // owned by the widget (Qt parent)
    std::optional<LiveLesson::Settings> room_;
    // Goes before the manager: its session holds the manager's drawing.
    std::unique_ptr<LiveLesson> lesson_;
};
