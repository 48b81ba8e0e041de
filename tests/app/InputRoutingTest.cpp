#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QTabletEvent>

#include "WindowHarness.h"
#include "app/ReplayDriver.h"
#include "controller/CanvasController.h"
#include "document/Drawing.h"
#include "platform/ConstantProvider.h"

namespace {
std::uint32_t typeOf(const char* name) {
    return ConstantProvider::getInstance().getEventTypeIdentifier(name);
}

ReplayScript script(const std::string& text) {
    std::string error;
    auto s = ReplayScript::parse(text, error);
    EXPECT_TRUE(s) << error;
    return s ? *s : ReplayScript{};
}
}  // namespace

TEST(InputRouting, LeftClickArrivesFlippedWithPrimaryButtonAndFullPressure) {
    WindowHarness w;
    ASSERT_TRUE(w.exposed);
    ReplayDriver(*w.widget).run(script("mouse press 10 10 left\nmouse release 10 10 left\n"));
    ASSERT_EQ(w.routed.size(), 2u);
    EXPECT_EQ(w.routed[0].type, typeOf("PRESS"));
    EXPECT_EQ(w.routed[0].x, 10.0);
    EXPECT_EQ(w.routed[0].y, 590.0);
    EXPECT_EQ(w.routed[0].alt, 0);
    EXPECT_FLOAT_EQ(w.routed[0].pressure, 1.0f);
    EXPECT_EQ(w.routed[1].type, typeOf("RELEASE"));
    EXPECT_EQ(w.routed[1].y, 590.0);
    EXPECT_EQ(w.routed[1].alt, 0);
}

TEST(InputRouting, TouchContactArrivesOnePixelLower) {
    WindowHarness w;
    ASSERT_TRUE(w.exposed);
    ReplayDriver(*w.widget).run(script("touch press 10 10\ntouch release 10 10\n"));
    ASSERT_GE(w.routed.size(), 2u);
    EXPECT_EQ(w.routed.front().type, typeOf("PRESS"));
    EXPECT_EQ(w.routed.front().x, 10.0);
    EXPECT_EQ(w.routed.front().y, 589.0);
    EXPECT_EQ(w.routed.front().alt, 0);
    EXPECT_EQ(w.routed.back().type, typeOf("RELEASE"));
}

TEST(InputRouting, RightButtonGivesOtherButtonOnPressAndReleaseNoneOnMoves) {
    WindowHarness w;
    ASSERT_TRUE(w.exposed);
    ReplayDriver(*w.widget).run(
        script("mouse press 100 100 right\nmouse move 110 100 right\nmouse move 120 100 right\n"
               "mouse release 120 100 right\n"));
    ASSERT_EQ(w.routed.size(), 4u);
    EXPECT_EQ(w.routed[0].alt, 1);
    EXPECT_EQ(w.routed[1].alt, -1);
    EXPECT_EQ(w.routed[2].alt, -1);
    EXPECT_EQ(w.routed[3].alt, 1);
    EXPECT_EQ(w.routed[1].type, typeOf("DRAG"));
}

TEST(InputRouting, TabletEraserCarriesPressureOnMovesAndFullPressureOnRelease) {
    WindowHarness w;
    ASSERT_TRUE(w.exposed);
    ReplayDriver(*w.widget).run(
        script("tablet press 200 200 0.3 eraser\ntablet move 210 200 0.6 eraser\n"
               "tablet release 210 200 0.6 eraser\n"));
    ASSERT_EQ(w.routed.size(), 3u) << "no mouse events are synthesized from the tablet";
    EXPECT_EQ(w.routed[0].alt, 1);
    EXPECT_FLOAT_EQ(w.routed[0].pressure, 0.3f);
    EXPECT_FLOAT_EQ(w.routed[1].pressure, 0.6f);
    EXPECT_EQ(w.routed[2].alt, 1);
    EXPECT_FLOAT_EQ(w.routed[2].pressure, 1.0f);
}

TEST(InputRouting, PenStrokeStartsExactlyOneStroke) {
    WindowHarness w;
    ASSERT_TRUE(w.exposed);
    ReplayDriver(*w.widget).run(script(
        "tablet press 400 300 0.5 pen\ntablet move 420 300 0.5 pen\ntablet move 440 300 0.5 pen\n"
        "tablet move 460 300 0.5 pen\ntablet release 460 300 0.5 pen\n"));
    EXPECT_EQ(w.manager().drawing().strokes.count(), 1u);
    EXPECT_EQ(w.manager().controller().log().codes().size(), 1u);
}

TEST(InputRouting, MovesWithoutAButtonOnlyMoveTheCursor) {
    WindowHarness w;
    ASSERT_TRUE(w.exposed);
    ReplayDriver(*w.widget).run(script("mouse move 300 300 none\nmouse move 320 310 none\n"));
    ASSERT_EQ(w.routed.size(), 2u);
    auto& m = w.manager();
    EXPECT_TRUE(m.controller().gestures().empty());
    EXPECT_FALSE(m.drawing().current);
    EXPECT_EQ(m.drawing().strokes.count(), 0u);
    EXPECT_EQ(m.drawing().brush.cursor, Vec2(320.0f, 290.0f));
    EXPECT_EQ(m.lastX(), 320.0f);
    EXPECT_EQ(m.lastY(), 290.0f);
}
