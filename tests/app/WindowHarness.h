#pragma once

#include <gtest/gtest.h>

#include <QCursor>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <vector>

#include "app/FrameManager.h"
#include "app/CanvasWidget.h"
#include "app/ReplayDriver.h"
#include "platform/MonotonicFrameTimer.h"
#include "platform/SurfaceEvent.h"

// What reached the manager's routing step.
struct RoutedEvent {
    std::uint32_t type;
    double x, y;
    int alt;
    float pressure;
};

class RecordingManager : public FrameManager {
public:
    explicit RecordingManager(std::vector<RoutedEvent>* log)
        : FrameManager(std::make_unique<MonotonicFrameTimer>()), log_(log) {}
    void routeEvent(SurfaceEvent& e, int alt, float pressure, VisComponent* c) override {
        log_->push_back({e.getType(), e.getX(), e.getY(), alt, pressure});
        FrameManager::routeEvent(e, alt, pressure, c);
    }

private:
    std::vector<RoutedEvent>* log_;
};

// A real canvas window in a fresh working directory (pages and logs land there).
struct WindowHarness {
    QTemporaryDir dir;
    QString previousDir = QDir::currentPath();
    std::vector<RoutedEvent> routed;
    std::unique_ptr<CanvasWidget> widget;

    explicit WindowHarness(int w = 800, int h = 600) {
        QDir::setCurrent(dir.path());
        open(w, h);
    }
    // Ends the run as closing the window does and starts the program again in the folder.
    void restart() {
        const QSize size = widget->size();
        widget.reset();
        open(size.width(), size.height());
    }
    ~WindowHarness() {
        widget.reset();
        QDir::setCurrent(previousDir);
    }
    void settle(int ms = 30) { QTest::qWait(ms); }
    FrameManager& manager() { return *widget->manager(); }

    bool exposed = false;

private:
    void open(int w, int h) {
        // Keep the real pointer off the window: the toolkit reports its position as moves.
        QCursor::setPos(4000, 4000);
        widget = std::make_unique<CanvasWidget>(
            nullptr, -1, [this] { return std::make_unique<RecordingManager>(&routed); });
        widget->resize(w, h);
        widget->move(0, 0);
        widget->show();
        exposed = QTest::qWaitForWindowExposed(widget.get());
        settle();
        routed.clear();
    }
};

// Plays a replay script into the driver's window; a script that cannot be read or run fails
// the test.
inline void playScript(ReplayDriver& driver, const std::string& text) {
    std::string error;
    const auto script = ReplayScript::parse(text, error);
    ASSERT_TRUE(script) << error;
    ASSERT_TRUE(driver.run(*script));
}
