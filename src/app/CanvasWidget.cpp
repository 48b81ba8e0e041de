#include "app/CanvasWidget.h"

#include <GL/gl.h>

#include <QBuffer>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMimeData>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointingDevice>
#include <QScreen>
#include <QTabletEvent>
#include <QTimer>
#include <QKeySequence>
#include <QTouchEvent>
#include <QWindow>
#include <cmath>
#include <cstdio>
#include <iostream>

#include "app/FrameManager.h"
#include "app/MaterialChooser.h"
#include "app/QtLessonExporter.h"
#include "material/BackgroundSource.h"
#include "material/QtMaterialInspector.h"
#include "controller/CanvasController.h"
#include "platform/MonotonicFrameTimer.h"
#include "ui/RadialMenuView.h"

namespace {
// The material drawn as the PNG export draws it, at twice the page's size, as a picture in
// the SVG: an SVG cannot hold a PDF page.
std::optional<io::SvgBackground> svgMaterial(const io::PageStyle& style) {
    BackgroundSource source(QDir::currentPath().toStdString());
    const BackgroundImage image = source.render(style.background, style.backgroundPage, 1800);
    if (image.image.isNull()) return std::nullopt;
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    if (!image.image.save(&png, "PNG")) return std::nullopt;
    const io::Placement& p = image.placement;
    return io::SvgBackground{"image/png;base64," + png.data().toBase64().toStdString(), p.x, p.y,
                             p.width, p.height};
}

bool fromRealMouse(const QMouseEvent* e) {
    // Mouse events synthesized from tablet or touch input must not start a second stroke.
    const QInputDevice* d = e->device();
    return !d || d->type() == QInputDevice::DeviceType::Mouse;
}
int altButtonOf(Qt::MouseButton b) { return b == Qt::LeftButton ? 0 : 1; }
}  // namespace

CanvasWidget::CanvasWidget(QWidget* parent, int repaintIntervalMs, ManagerFactory factory)
    : QOpenGLWidget(parent), factory_(std::move(factory)) {
    // Every sample the mouse, pen or finger sends shapes the stroke: the toolkit must not
    // merge moves that arrive faster than frames are drawn. Set here, once the application
    // exists, because the X11 platform plugin turns compression on when it starts.
    QCoreApplication::setAttribute(Qt::AA_CompressHighFrequencyEvents, false);
    QCoreApplication::setAttribute(Qt::AA_CompressTabletEvents, false);
    setAttribute(Qt::WA_NoSystemBackground, true);
    setAttribute(Qt::WA_AcceptTouchEvents, true);
    setAcceptDrops(true);
    setFocusPolicy(Qt::StrongFocus);
    if (repaintIntervalMs > 0) {
        timer_ = new QTimer(this);
        connect(timer_, &QTimer::timeout, this, qOverload<>(&QWidget::update));
        timer_->start(repaintIntervalMs);
    }
    setMouseTracking(true);
    setTabletTracking(true);
    // The toolkit sends the pen's proximity to the application object, not to a widget.
    if (QCoreApplication* app = QCoreApplication::instance()) app->installEventFilter(this);
}

CanvasWidget::~CanvasWidget() {
    // The manager writes the command log and releases GL objects: keep the context current.
    if (lesson_) {
        lesson_->finish(std::chrono::seconds(5));
        lesson_.reset();
    }
    if (manager_) {
        manager_->setFrameRequest(nullptr);
        makeCurrent();
        router_.reset();
        manager_.reset();
        doneCurrent();
    }
}

int CanvasWidget::pixel(double v) { return static_cast<int>(std::floor(v)); }

void CanvasWidget::initializeGL() {
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glHint(GL_POINT_SMOOTH_HINT, GL_NICEST);
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glDisable(GL_POLYGON_SMOOTH);
    glDisable(GL_NORMALIZE);
    glDisable(GL_DITHER);
    // A context recreated for a new native window keeps the one manager of the run.
    if (manager_) return;
    manager_ =
        factory_ ? factory_()
                 : std::make_unique<FrameManager>(std::make_unique<MonotonicFrameTimer>());
    exporter_ = std::make_unique<QtLessonExporter>();
    // The export's worker wakes the GUI thread, whose next frame shows its progress and
    // takes its end. Queued: widgets are touched on the GUI thread only.
    manager_->controller().setExporter(exporter_.get(), [this] {
        QMetaObject::invokeMethod(this, [this] { update(); }, Qt::QueuedConnection);
    });
    router_ = std::make_unique<InputRouter>(
        *manager_, [this](SurfaceEvent& ev, int alt, float pressure, VisComponent* c) {
            manager_->routeEvent(ev, alt, pressure, c);
        });
    router_->setCanvasHeight(canvasHeight_);
    // update() coalesces: however many requests come before the next paint, one frame
    // answers them all, and it shows every input routed before it.
    manager_->setFrameRequest([this] { update(); });
    manager_->setWakeFromAnyThread([this] {
        QMetaObject::invokeMethod(this, [this] { update(); }, Qt::QueuedConnection);
    });
    manager_->initialize();
    inspector_ = std::make_unique<QtMaterialInspector>();
    manager_->controller().setMaterialInspector(inspector_.get());
    // Queued: the chooser is a dialog of its own, not opened inside a press's handling.
    manager_->controller().setMaterialChooser([this] {
        QMetaObject::invokeMethod(this, [this] { chooseMaterial(); }, Qt::QueuedConnection);
    });
    manager_->controller().setSvgMaterial([](const io::PageStyle& style) {
        return svgMaterial(style);
    });
    if (room_) {
        lesson_ = std::make_unique<LiveLesson>(
            *manager_, *room_,
            [this] { QMetaObject::invokeMethod(this, [this] { pumpRoom(); }, Qt::QueuedConnection); },
            std::cerr);
        // Strokes in progress go out, and others' that fell silent go, at this pace too.
        auto* pace = new QTimer(this);
        connect(pace, &QTimer::timeout, this, [this] { pumpRoom(); });
        pace->start(40);
    }
    // After the room is joined: the pages it adds go to the room too.
    if (!startImports_.empty()) importMaterial(std::exchange(startImports_, {}));
}

void CanvasWidget::pumpRoom() {
    if (!lesson_ || !manager_) return;
    const bool changed = lesson_->pump();
    const share::ShareSession::Status status = lesson_->status();
    RoomMark mark;
    mark.shown = true;
    mark.waiting = status.waiting;
    mark.state = status.state == share::LinkState::Connected ? RoomMark::State::Connected
                 : status.state == share::LinkState::Offline ? RoomMark::State::Offline
                                                              : RoomMark::State::Reconnecting;
    mark.line = lesson_->trouble();
    const RoomMark& shown = manager_->menuView().roomMark();
    const bool markChanged = shown.state != mark.state || shown.waiting != mark.waiting ||
                             !shown.shown || shown.line != mark.line;
    manager_->menuView().setRoomMark(mark);
    if (changed || markChanged) update();
}

bool CanvasWidget::importMaterial(const std::vector<std::string>& files) {
    if (!manager_) return false;
    const bool added = manager_->controller().importMaterial(files);
    manager_->requestFrame();
    return added;
}

void CanvasWidget::chooseMaterial() {
    MaterialChooser chooser(this);
    if (isFullScreen()) chooser.setWindowState(Qt::WindowMaximized);
    if (chooser.exec() == QDialog::Accepted && !chooser.chosen().isEmpty())
        importMaterial({chooser.chosen().toStdString()});
}

namespace {
std::vector<std::string> droppedFiles(const QMimeData* mime) {
    std::vector<std::string> files;
    if (!mime) return files;
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile()) files.push_back(url.toLocalFile().toStdString());
    return files;
}
}  // namespace

void CanvasWidget::dragEnterEvent(QDragEnterEvent* e) {
    if (!droppedFiles(e->mimeData()).empty()) e->acceptProposedAction();
}

void CanvasWidget::dropEvent(QDropEvent* e) {
    const std::vector<std::string> files = droppedFiles(e->mimeData());
    if (files.empty()) return;
    e->acceptProposedAction();
    importMaterial(files);
}

void CanvasWidget::resizeGL(int w, int h) {
    canvasWidth_ = static_cast<unsigned>(w);
    canvasHeight_ = static_cast<unsigned>(h);
    const qreal dpr = devicePixelRatioF();
    glViewport(0, 0, static_cast<GLsizei>(w * dpr), static_cast<GLsizei>(h * dpr));
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, w, 0, h, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    if (router_) router_->setCanvasHeight(canvasHeight_);
    if (manager_) manager_->resize(w, h);
}

void CanvasWidget::paintGL() {
    if (grantedSamples_ == 0) glGetIntegerv(GL_SAMPLES, &grantedSamples_);
    // Between input events: what the room sent shows in this frame, the ink drawn goes out.
    if (lesson_) lesson_->pump();
    glClear(GL_COLOR_BUFFER_BIT);
    if (manager_) manager_->renderFrame(false);
}

void CanvasWidget::mousePressEvent(QMouseEvent* e) {
    if (!router_ || !fromRealMouse(e)) return;
    router_->press(InputRouter::Source::Mouse, pixel(e->position().x()), pixel(e->position().y()),
                   altButtonOf(e->button()), 1.0f);
}

void CanvasWidget::mouseMoveEvent(QMouseEvent* e) {
    if (!router_ || !fromRealMouse(e)) return;
    router_->move(InputRouter::Source::Mouse, pixel(e->position().x()), pixel(e->position().y()),
                  1.0f);
}

void CanvasWidget::mouseReleaseEvent(QMouseEvent* e) {
    if (!router_ || !fromRealMouse(e)) return;
    router_->release(InputRouter::Source::Mouse, pixel(e->position().x()), pixel(e->position().y()),
                     altButtonOf(e->button()));
}

void CanvasWidget::tabletEvent(QTabletEvent* e) {
    if (!router_) return;
    const int x = pixel(e->position().x()), y = pixel(e->position().y());
    const int alt = e->pointerType() == QPointingDevice::PointerType::Pen ? 0 : 1;
    const auto src = InputRouter::Source::Tablet;
    switch (e->type()) {
        case QEvent::TabletPress:
            router_->press(src, x, y, alt, static_cast<float>(e->pressure()));
            break;
        case QEvent::TabletMove:
            router_->move(src, x, y, static_cast<float>(e->pressure()));
            break;
        case QEvent::TabletRelease:
            router_->release(src, x, y, alt);
            break;
        default:
            break;
    }
    // Left accepted, so the toolkit synthesizes no mouse events from it.
}

bool CanvasWidget::isTouch(const QEvent* e) {
    switch (e->type()) {
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TouchCancel:
            return true;
        default:
            return false;
    }
}

void CanvasWidget::takeTouch(QTouchEvent* te) {
    te->accept();
    if (te->type() == QEvent::TouchCancel) {
        // The system took the touch away (often with no points listed): every contact
        // ends where it last was, as a release would end it.
        if (manager_) manager_->cancelTouches();
        return;
    }
    // A touch sequence begins when no contact is down: any contact still held lost its
    // release on the way (no cancel came). It ends here as a cancel ends it, so that its
    // stroke is finished and it cannot hold a place among the contacts.
    if (te->type() == QEvent::TouchBegin && manager_) manager_->cancelTouches();
    // One event holds every contact on the surface; stationary ones are skipped.
    for (const QEventPoint& p : te->points()) {
        // From the global position, which every sender of touch events sets.
        const QPointF local = mapFromGlobal(p.globalPosition());
        const int x = pixel(local.x()), y = pixel(local.y());
        const int id = p.id();
        if (p.state() == QEventPoint::Pressed)
            OnXYDown(x, y, 0, id);
        else if (p.state() == QEventPoint::Released)
            OnXYUp(x, y, 0, id);
        else if (p.state() == QEventPoint::Updated)
            OnXYMove(x, y, 0, id);
    }
}

bool CanvasWidget::event(QEvent* e) {
    // Touch events sent to the widget itself; those of the system come through the window
    // (see eventFilter).
    if (isTouch(e)) {
        takeTouch(static_cast<QTouchEvent*>(e));
        return true;
    }
    return QOpenGLWidget::event(e);
}

bool CanvasWidget::eventFilter(QObject* watched, QEvent* e) {
    if (manager_ &&
        (e->type() == QEvent::TabletEnterProximity || e->type() == QEvent::TabletLeaveProximity))
        manager_->penProximity(e->type() == QEvent::TabletEnterProximity);
    // The system's touch events are taken where they reach the window, whole. The toolkit's
    // routing to widgets drops every later point of contacts that were pressed in an event
    // that was no touch sequence's first (it grabs points only at TouchBegin): their moves
    // and releases never reach the widget, their strokes stay open.
    if (isTouch(e) && watched && watched == static_cast<QObject*>(window()->windowHandle())) {
        takeTouch(static_cast<QTouchEvent*>(e));
        return true;
    }
    return QOpenGLWidget::eventFilter(watched, e);
}

void CanvasWidget::OnXYDown(int x, int y, int, int pointerId) {
    if (router_) router_->press(InputRouter::Source::Contact, x, y, 0, 1.0f, pointerId);
}
void CanvasWidget::OnXYMove(int x, int y, int, int pointerId) {
    if (router_) router_->move(InputRouter::Source::Contact, x, y, 1.0f, pointerId);
}
void CanvasWidget::OnXYUp(int x, int y, int, int pointerId) {
    if (router_) router_->release(InputRouter::Source::Contact, x, y, 0, pointerId);
}

void CanvasWidget::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) quitNow();
    if (e->key() == Qt::Key_F1) {
        setFullScreenLayout(!fullScreen_);
        return;
    }
    if (!manager_) return;
    // With Ctrl the key's text is a control character: the controller gets the key's name.
    if (e->modifiers() & Qt::ControlModifier) {
        const QString key = QKeySequence(e->key()).toString();
        if (key.isEmpty()) return;
        const bool shift = (e->modifiers() & Qt::ShiftModifier) != 0;
        manager_->onKey((shift ? "Ctrl+Shift+" : "Ctrl+") + key.toStdString());
        return;
    }
    manager_->onKey(e->text().toStdString());
}

void CanvasWidget::quitNow() {
    if (lesson_) lesson_->finish(std::chrono::seconds(5));
    if (manager_) manager_->finishRun();
    std::cout.flush();
    std::fflush(nullptr);
    std::_Exit(0);
}

void CanvasWidget::setFullScreenLayout(bool on) {
    fullScreen_ = on;
    if (fullScreen_)
        enterFullScreen();
    else
        leaveFullScreen();
}

void CanvasWidget::enterFullScreen() {
    // Frameless, over the whole virtual desktop (every screen).
    const QRect desktop = screen() ? screen()->virtualGeometry() : QRect(0, 0, 800, 600);
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setGeometry(desktop);
    show();
}

void CanvasWidget::leaveFullScreen() {
    setWindowFlags(Qt::Window);
    show();
    resize(800, 600);
    move(0, 0);
}
