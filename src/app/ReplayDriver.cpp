#include "app/ReplayDriver.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTabletEvent>
#include <QTest>
#include <QTouchEvent>
#include <algorithm>
#include <iostream>

#include "app/CanvasWidget.h"
#include "app/FrameManager.h"
#include "controller/CanvasController.h"
#include "document/Drawing.h"

namespace {
std::unique_ptr<QPointingDevice> makeStylus(const char* name, qint64 id,
                                            QPointingDevice::PointerType type) {
    return std::make_unique<QPointingDevice>(
        QString::fromLatin1(name), id, QInputDevice::DeviceType::Stylus, type,
        QInputDevice::Capability::Position | QInputDevice::Capability::Pressure, 1, 3);
}

Qt::MouseButton buttonNamed(const std::string& name) {
    if (name == "left") return Qt::LeftButton;
    if (name == "right") return Qt::RightButton;
    if (name == "middle") return Qt::MiddleButton;
    return Qt::NoButton;
}
}  // namespace

ReplayDriver::ReplayDriver(CanvasWidget& widget)
    : widget_(widget),
      pen_(makeStylus("replay pen", 9001, QPointingDevice::PointerType::Pen)),
      eraser_(makeStylus("replay eraser", 9002, QPointingDevice::PointerType::Eraser)),
      touchDevice_(QTest::createTouchDevice(QInputDevice::DeviceType::TouchScreen)) {}

ReplayDriver::~ReplayDriver() = default;

bool ReplayDriver::run(const ReplayScript& script) {
    for (const auto& c : script.commands) {
        if (!runOne(c)) {
            std::cerr << "replay: line " << c.line << " failed\n";
            return false;
        }
    }
    return true;
}

void ReplayDriver::runEventLoop(int ms) {
    QElapsedTimer t;
    t.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    } while (t.elapsed() < ms);
}

bool ReplayDriver::waitUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

bool ReplayDriver::runOne(const ReplayCommand& c) {
    using K = ReplayCommand::Kind;
    switch (c.kind) {
        case K::Size:
            widget_.resize(c.x, c.y);
            runEventLoop(50);
            return widget_.width() == c.x && widget_.height() == c.y;
        case K::Wait:
            if (c.text == "export") {
                // The frame that takes the export's end says its lines.
                const CanvasController& controller = widget_.manager()->controller();
                return waitUntil([&] { return !controller.exports().running(); }, c.x);
            }
            if (c.text == "room") {
                return widget_.lesson() != nullptr &&
                       waitUntil([&] { return widget_.lesson()->quiet(); }, c.x);
            }
            if (c.text == "strokes") {
                const Drawing& drawing = widget_.manager()->drawing();
                return waitUntil([&] { return drawing.strokes.count() >= static_cast<std::size_t>(c.y); }, c.x);
            }
            runEventLoop(c.x);
            return true;
        case K::Mouse:
            mouse(c);
            return true;
        case K::Tablet:
            tablet(c);
            return true;
        case K::Touch:
            touch(c);
            return true;
        case K::TouchCancel:
            cancelTouch();
            return true;
        case K::Proximity:
            proximity(c.x != 0);
            return true;
        case K::Key:
            key(c.text);
            return true;
        case K::Grab: {
            const QImage img = widget_.grabFramebuffer();
            const bool saved = img.save(QString::fromStdString(c.text), "PNG");
            if (saved) std::cout << "replay: saved frame " << c.text << "\n";
            return saved;
        }
        case K::Echo:
            std::cout << c.text << std::endl;  // at once: whoever watches the output waits for it
            return true;
    }
    return false;
}

void ReplayDriver::mouse(const ReplayCommand& c) {
    const QPointF local(c.x, c.y);
    const QPointF global = widget_.mapToGlobal(local);
    const Qt::MouseButton b = buttonNamed(c.device);
    QEvent::Type type = QEvent::MouseMove;
    Qt::MouseButton eventButton = Qt::NoButton;
    if (c.phase == ReplayCommand::Phase::Press) {
        type = QEvent::MouseButtonPress;
        eventButton = b;
        held_ |= b;
    } else if (c.phase == ReplayCommand::Phase::Release) {
        type = QEvent::MouseButtonRelease;
        eventButton = b;
        held_ &= ~Qt::MouseButtons(b);
    }
    QMouseEvent ev(type, local, global, eventButton, held_, Qt::NoModifier);
    QApplication::sendEvent(&widget_, &ev);
}

void ReplayDriver::tablet(const ReplayCommand& c) {
    const QPointF local(c.x, c.y);
    const QPointF global = widget_.mapToGlobal(local);
    const bool eraser = c.device == "eraser";
    QEvent::Type type = QEvent::TabletMove;
    Qt::MouseButton button = Qt::NoButton;
    Qt::MouseButtons buttons = Qt::LeftButton;
    if (c.phase == ReplayCommand::Phase::Press) {
        type = QEvent::TabletPress;
        button = Qt::LeftButton;
    } else if (c.phase == ReplayCommand::Phase::Release) {
        type = QEvent::TabletRelease;
        button = Qt::LeftButton;
        buttons = Qt::NoButton;
    }
    QTabletEvent ev(type, eraser ? eraser_.get() : pen_.get(), local, global, c.pressure, 0, 0, 0,
                    0, 0, Qt::NoModifier, button, buttons);
    QApplication::sendEvent(&widget_, &ev);
}

void ReplayDriver::touch(const ReplayCommand& c) {
    auto seq = QTest::touchEvent(&widget_, touchDevice_);
    std::map<int, QPoint> after = contacts_;
    for (const ReplayCommand::TouchPoint& t : c.touches) {
        const QPoint p(t.x, t.y);
        switch (t.phase) {
            case ReplayCommand::Phase::Press:
                seq.press(t.id, p, &widget_);
                after[t.id] = p;
                break;
            case ReplayCommand::Phase::Move:
                seq.move(t.id, p, &widget_);
                after[t.id] = p;
                break;
            case ReplayCommand::Phase::Release:
                seq.release(t.id, p, &widget_);
                after.erase(t.id);
                break;
        }
    }
    // The contacts this event does not change are in it as well, where they were.
    for (const auto& [id, p] : contacts_) {
        const bool listed = std::any_of(c.touches.begin(), c.touches.end(),
                                        [id = id](const auto& t) { return t.id == id; });
        if (!listed) seq.move(id, p, &widget_);
    }
    contacts_ = std::move(after);
    seq.commit();
}

void ReplayDriver::cancelTouch() {
    QTouchEvent cancel(QEvent::TouchCancel, touchDevice_);
    QApplication::sendEvent(&widget_, &cancel);
    contacts_.clear();
}

void ReplayDriver::proximity(bool entered) {
    QTabletEvent ev(entered ? QEvent::TabletEnterProximity : QEvent::TabletLeaveProximity,
                    pen_.get(), QPointF(), QPointF(), 0.0, 0.0f, 0.0f, 0.0f, 0.0, 0.0f,
                    Qt::NoModifier, Qt::NoButton, Qt::NoButton);
    QApplication::sendEvent(QApplication::instance(), &ev);
}

void ReplayDriver::key(const std::string& text) {
    int key = 0;
    QString qtext;
    Qt::KeyboardModifiers mods = Qt::NoModifier;
    if (text == "Escape") {
        key = Qt::Key_Escape;
    } else if (text == "F1") {
        key = Qt::Key_F1;
    } else if (text.rfind("Ctrl+", 0) == 0 && text.size() > 5) {
        // "Ctrl+Z", "Ctrl+Shift+Z": the letter with those modifiers, and the control
        // character the system would give as its text.
        mods = Qt::ControlModifier;
        std::string rest = text.substr(5);
        if (rest.rfind("Shift+", 0) == 0 && rest.size() > 6) {
            mods |= Qt::ShiftModifier;
            rest = rest.substr(6);
        }
        const QChar ch = QString::fromStdString(rest).at(0).toUpper();
        key = ch.unicode();
        if (ch >= QChar('A') && ch <= QChar('Z')) qtext = QChar(ch.unicode() - 'A' + 1);
    } else {
        qtext = QString::fromStdString(text);
        const QChar ch = qtext.at(0);
        key = ch.toUpper().unicode();
        if (ch.isUpper()) mods = Qt::ShiftModifier;
    }
    QKeyEvent press(QEvent::KeyPress, key, mods, qtext);
    QApplication::sendEvent(&widget_, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, qtext);
    QApplication::sendEvent(&widget_, &release);
}
