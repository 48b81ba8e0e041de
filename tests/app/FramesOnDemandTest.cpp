// Frames are drawn when something may have changed and while an animation runs, never at
// rest: each animation runs to its end without further input, then the window goes quiet.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <cmath>

#include "WindowHarness.h"
#include "app/ReplayDriver.h"
#include "controller/CanvasController.h"
#include "document/Drawing.h"

namespace {
struct Frames {
    WindowHarness w;
    ReplayDriver driver{*w.widget};
    int swaps = 0;

    Frames() {
        QObject::connect(w.widget.get(), &QOpenGLWidget::frameSwapped, [this] { ++swaps; });
    }
    void play(const std::string& text) {
        std::string error;
        const auto s = ReplayScript::parse(text, error);
        ASSERT_TRUE(s) << error;
        ASSERT_TRUE(driver.run(*s));
    }
    // Runs the event loop until no frame has come for 200 ms; the frames drawn until then.
    // -1 when frames still come after `limitMs`.
    int framesUntilQuiet(int limitMs = 5000) {
        const int start = swaps;
        QElapsedTimer t;
        t.start();
        int seen = swaps;
        qint64 lastFrame = 0;
        while (t.elapsed() - lastFrame < 200) {
            if (t.elapsed() > limitMs) return -1;
            w.settle(10);
            if (swaps != seen) {
                seen = swaps;
                lastFrame = t.elapsed();
            }
        }
        return swaps - start;
    }
    FrameManager& manager() { return w.manager(); }
    std::string at(Vec2 screen) const {
        return std::to_string(static_cast<int>(screen.x)) + " " +
               std::to_string(w.widget->height() - static_cast<int>(screen.y));
    }
};
}  // namespace

TEST(FramesOnDemand, DrawnForInputAndAnimationsOnly) {
    Frames f;
    ASSERT_TRUE(f.w.exposed);
    ASSERT_GE(f.framesUntilQuiet(), 0) << "start-up frames end";
    f.w.settle(300);
    EXPECT_EQ(f.framesUntilQuiet(), 0) << "nothing moves, nothing is drawn";

    // A pointer move is drawn; the brush follower then settles on it and the frames stop.
    f.play("mouse move 400 300 none\n");
    EXPECT_GE(f.framesUntilQuiet(), 1);
    const BrushDynamics& brush = f.manager().drawing().brush;
    EXPECT_LE(std::hypot(brush.follower.x - f.manager().lastX(),
                         brush.follower.y - f.manager().lastY()),
              FrameManager::kFollowerSettled);

    // The view reset animates to its end from one tap on the menu's reset button.
    View& view = f.manager().drawing().view;
    view.zoom = 3.0f;
    view.rotation = 30.0f;
    const std::string reset = f.at(f.manager().controller().menu().buttonCentre(3));
    f.play("mouse press " + reset + " left\nmouse release " + reset + " left\n");
    EXPECT_GT(f.framesUntilQuiet(), 2);
    EXPECT_NEAR(view.zoom, 1.0f, 1e-4f);
    EXPECT_NEAR(view.rotation, 0.0f, 1e-4f);

    // A still hold on the empty page shows the tap indicator, which fades out by itself.
    f.play("mouse press 500 300 left\nwait 1300\nmouse release 500 300 left\n");
    ASSERT_TRUE(f.manager().controller().indicator().visible);
    EXPECT_GT(f.framesUntilQuiet(), 2);
    EXPECT_FALSE(f.manager().controller().indicator().visible);
    EXPECT_EQ(f.framesUntilQuiet(), 0);
}
