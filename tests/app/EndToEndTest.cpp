// A user's session in the real window, driven through the replay driver: drawing with the
// mouse and the pen, erasing with the right button and the pen's eraser, saving, flipping
// pages and the keys.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <cmath>
#include <filesystem>
#include <sstream>

#include "WindowHarness.h"
#include "app/ReplayDriver.h"
#include "controller/CanvasController.h"
#include "document/Drawing.h"
#include "io/PageFile.h"

namespace {
// Window 1000 x 800: screen y = 800 - window y; canvas = screen - (50, 50) at the start.
struct Session {
    WindowHarness w{1000, 800};
    ReplayDriver driver{*w.widget};

    void play(const std::string& text) {
        std::string error;
        const auto s = ReplayScript::parse(text, error);
        ASSERT_TRUE(s) << error;
        ASSERT_TRUE(driver.run(*s));
    }
    // A straight drag between two window points, one event every 5 pixels.
    void drag(const std::string& device, int x0, int y0, int x1, int y1, float p0 = 1.0f,
              float p1 = 1.0f) {
        std::ostringstream s;
        const bool tablet = device == "pen" || device == "eraser";
        const int n = std::max(std::abs(x1 - x0), std::abs(y1 - y0)) / 5;
        for (int i = 0; i <= n; ++i) {
            const float t = static_cast<float>(i) / static_cast<float>(n);
            const int x = x0 + static_cast<int>((x1 - x0) * t),
                      y = y0 + static_cast<int>((y1 - y0) * t);
            const char* phase = i == 0 ? "press" : "move";
            if (tablet)
                s << "tablet " << phase << " " << x << " " << y << " " << p0 + (p1 - p0) * t << " "
                  << device << "\n";
            else
                s << "mouse " << phase << " " << x << " " << y << " " << device << "\n";
        }
        if (tablet)
            s << "tablet release " << x1 << " " << y1 << " 1 " << device << "\n";
        else
            s << "mouse release " << x1 << " " << y1 << " " << device << "\n";
        play(s.str());
    }
    void tap(int x, int y) {
        play("mouse press " + std::to_string(x) + " " + std::to_string(y) +
             " left\nmouse release " + std::to_string(x) + " " + std::to_string(y) + " left\n");
    }
    // A press held still for more than a second.
    void hold(int x, int y) {
        const std::string at = std::to_string(x) + " " + std::to_string(y);
        play("mouse press " + at + " left\nwait 1300\nmouse release " + at + " left\n");
    }
    bool darkAt(int x, int y) {
        return w.widget->grabFramebuffer().pixelColor(x, y).lightness() < 100;
    }
    Drawing& drawing() { return w.manager().drawing(); }
    CanvasController& controller() { return w.manager().controller(); }
};

constexpr int kNextX = 920, kNextY = 720;  // canvas (870, 30): next-page triangle
constexpr int kPrevX = 80, kPrevY = 720;   // canvas (30, 30): previous-page triangle
}  // namespace

TEST(EndToEnd, DrawEraseSaveAndFlipPages) {
    Session s;
    ASSERT_TRUE(s.w.exposed);
    s.drag("left", 350, 300, 650, 300);
    s.drag("pen", 350, 450, 650, 450, 0.3f, 0.9f);
    ASSERT_EQ(s.drawing().strokes.count(), 2u);
    EXPECT_TRUE(s.darkAt(500, 300));
    EXPECT_TRUE(s.darkAt(500, 450));

    s.drag("right", 500, 250, 500, 350);
    s.drag("eraser", 550, 400, 550, 500, 0.5f, 0.5f);
    EXPECT_EQ(s.drawing().strokes.count(), 4u) << "each stroke was cut in two";
    EXPECT_FALSE(s.darkAt(500, 300));
    EXPECT_TRUE(s.darkAt(420, 300));
    EXPECT_TRUE(s.darkAt(580, 300));
    EXPECT_FALSE(s.darkAt(550, 450));

    s.play("key S\n");
    const auto saved = io::readPageFile("0.xml");
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->strokes.size(), 4u);

    testing::internal::CaptureStdout();
    s.tap(kNextX, kNextY);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("Failed to load file\n"),
              std::string::npos);
    EXPECT_EQ(s.controller().pages().current(), 1);
    EXPECT_EQ(s.drawing().strokes.count(), 0u);
    EXPECT_FALSE(s.darkAt(420, 300));

    // The menu's delete button covers the previous-page triangle at its home position:
    // bring the menu elsewhere as a user would (hold still, then hold on the indicator).
    s.hold(700, 200);
    ASSERT_TRUE(s.controller().indicator().visible);
    s.hold(702, 200);
    EXPECT_EQ(s.controller().menu().position, Vec2(702.0f, 600.0f));
    s.tap(kPrevX, kPrevY);
    EXPECT_EQ(s.controller().pages().current(), 0);
    EXPECT_EQ(s.drawing().strokes.count(), 4u);
    EXPECT_TRUE(std::filesystem::exists("1.xml"));
    EXPECT_TRUE(s.darkAt(420, 300));
}

TEST(EndToEnd, KeysDoWhatTheTableSays) {
    Session s;
    ASSERT_TRUE(s.w.exposed);
    s.drag("left", 350, 300, 650, 300);
    s.play("key s\n");
    EXPECT_FALSE(std::filesystem::exists("0.xml")) << "lower-case s does nothing";
    s.play("key S\nkey C\n");
    EXPECT_EQ(s.drawing().strokes.count(), 0u);
    EXPECT_FALSE(s.darkAt(500, 300));
    s.play("key L\n");
    EXPECT_EQ(s.drawing().strokes.count(), 1u);
    EXPECT_TRUE(s.darkAt(500, 300));
    s.play("key E\nkey w\nkey c\nkey t\nkey [\nkey [\nkey ]\n");
    EXPECT_TRUE(std::filesystem::exists("0.svg"));
    EXPECT_TRUE(s.drawing().wireframe);
    EXPECT_TRUE(s.drawing().showPoints);
    EXPECT_TRUE(s.drawing().index.debugDraw);
    EXPECT_FLOAT_EQ(s.drawing().smoothness, 0.5f);
}

TEST(EndToEnd, AFlipWhoseSaveFailsKeepsTheDrawingAndThePage) {
    Session s;
    ASSERT_TRUE(s.w.exposed);
    s.drag("left", 350, 300, 650, 300);
    std::filesystem::create_directory("0.xml");  // the page's path is taken
    testing::internal::CaptureStdout();
    s.tap(kNextX, kNextY);
    const std::string said = testing::internal::GetCapturedStdout();
    EXPECT_EQ(s.controller().pages().current(), 0);
    EXPECT_EQ(s.drawing().strokes.count(), 1u);
    EXPECT_TRUE(s.darkAt(500, 300));
    EXPECT_NE(said.find("0.xml"), std::string::npos) << said;
}

// Undo and redo from the keys, the menu's buttons and the finger taps the input layer reports.
TEST(EndToEnd, UndoAndRedoFromTheKeysTheMenuAndTheTaps) {
    Session s;
    ASSERT_TRUE(s.w.exposed);
    s.drag("left", 350, 300, 650, 300);
    s.drag("left", 350, 450, 650, 450);
    s.drag("right", 500, 250, 500, 350);
    ASSERT_EQ(s.drawing().strokes.count(), 3u);
    const std::string erased = s.drawing().pageText();

    s.play("key Ctrl+Z\n");
    EXPECT_EQ(s.drawing().strokes.count(), 2u);
    EXPECT_TRUE(s.darkAt(500, 300)) << "the cut is undone";
    s.play("key Ctrl+Z\n");
    EXPECT_EQ(s.drawing().strokes.count(), 1u);
    EXPECT_FALSE(s.darkAt(500, 450));
    s.play("key Ctrl+Shift+Z\nkey Ctrl+Y\n");
    EXPECT_EQ(s.drawing().pageText(), erased);
    EXPECT_FALSE(s.darkAt(500, 300));

    // The menu rests at (230, 230) screen, y up: undo is 130 px from its centre at 210
    // degrees, redo straight below.
    const CanvasController& c = s.controller();
    const Vec2 undoAt = c.menu().historyButtonCentre(0), redoAt = c.menu().historyButtonCentre(1);
    const auto tapScreen = [&](Vec2 p) {
        s.tap(static_cast<int>(p.x), 800 - static_cast<int>(p.y));
    };
    tapScreen(undoAt);
    EXPECT_EQ(s.drawing().strokes.count(), 2u);
    tapScreen(undoAt);
    tapScreen(undoAt);
    EXPECT_EQ(s.drawing().strokes.count(), 0u);
    EXPECT_FALSE(s.controller().history().canUndo()) << "the undo button shows faded";
    tapScreen(redoAt);
    EXPECT_EQ(s.drawing().strokes.count(), 1u);

    // Three fingers tap: redo; two: undo.
    s.play("touch press 500 200 0\ntouch press 560 200 1\ntouch press 620 200 2\n"
           "touch release 500 200 0\ntouch release 560 200 1\ntouch release 620 200 2\n");
    EXPECT_EQ(s.drawing().strokes.count(), 2u);
    s.play("touch press 500 200 0\ntouch press 560 200 1\n"
           "touch release 500 200 0\ntouch release 560 200 1\n");
    EXPECT_EQ(s.drawing().strokes.count(), 1u);
    EXPECT_TRUE(s.darkAt(500, 300));
}

// A wobbly circle held still at its end before the release is saved as a circle; the same
// circle released at once is saved as drawn.
TEST(EndToEnd, AHeldCircleIsSavedAsACircle) {
    Session s;
    ASSERT_TRUE(s.w.exposed);
    const auto circle = [&](int cx, int cy, int waitMs) {
        std::ostringstream script;
        for (int i = 0; i <= 96; ++i) {
            const double a = 6.2831853 * i / 96, r = 120 + 3 * std::sin(9 * a);
            script << "mouse " << (i ? "move " : "press ") << std::lround(cx + r * std::cos(a)) << " "
                   << std::lround(cy + r * std::sin(a)) << " left\n";
        }
        script << (waitMs ? "wait " + std::to_string(waitMs) + "\n" : "") << "mouse release " << cx + 120 << " "
               << cy << " left\n";
        s.play(script.str());
    };
    circle(420, 350, 600);
    circle(750, 350, 0);
    s.play("key S\n");
    const auto saved = io::readPageFile("0.xml");
    ASSERT_TRUE(saved);
    ASSERT_EQ(saved->strokes.size(), 2u);
    const auto spread = [](const std::vector<ControlPoint>& points) {  // of the distances from the box's centre
        Rect box;
        for (const ControlPoint& p : points) box.include(p.pos());
        const Vec2 c = (box.min() + box.max()) * 0.5f;
        float lo = INFINITY, hi = 0.0f;
        for (const ControlPoint& p : points) lo = std::min(lo, distance(p.pos(), c)), hi = std::max(hi, distance(p.pos(), c));
        return hi - lo;
    };
    EXPECT_LT(spread(saved->strokes[0]), 0.5f) << "a circle";
    EXPECT_GT(spread(saved->strokes[1]), 3.0f) << "as drawn";
}
