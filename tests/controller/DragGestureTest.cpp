#include <gtest/gtest.h>

#include "ControllerHarness.h"

namespace {
// A drag of `n` events of (dx, dy) each, starting at the press point.
void dragFrom(ControllerHarness& h, float x, float y, float dx, float dy, int n) {
    h.controller.onPress(x, y, 0, 1.0f);
    for (int i = 1; i <= n; ++i) {
        h.controller.onDrag(x + dx * i, y + dy * i, 1.0f);
        h.controller.onPointer(x + dx * i, y + dy * i);
    }
}
// The menu's first slider lies on the ray at 95 degrees; this press point, relative to the
// menu's centre, is inside its hit circle and on the centre's side of the drag reference
// point (120 px out on that ray).
constexpr Vec2 kSliderOffset{-10.5f, 114.0f};
}  // namespace

TEST(BorderGesture, DragIntoThePageFromTheBottomBandPans) {
    ControllerHarness h(1000.0f, 800.0f);
    h.controller.setMenuHome(Vec2(500.0f, 400.0f));
    h.controller.onPress(500.0f, 30.0f, 0, 1.0f);
    h.controller.onDrag(500.0f, 36.0f, 1.0f);  // decides: straight inwards
    EXPECT_EQ(h.frameGesture(), 0);
    EXPECT_EQ(h.drawing.view.panY, 50.0f) << "the deciding event does not pan";
    h.controller.onDrag(500.0f, 46.0f, 1.0f);
    EXPECT_FLOAT_EQ(h.drawing.view.panY, 60.0f);
    EXPECT_EQ(h.controller.log().codes(), (std::vector<int>{0, 13}));
    h.controller.onRelease(500.0f, 46.0f, 0);
    EXPECT_EQ(h.frameGesture(), -1);
}

TEST(BorderGesture, DragAlongTheBandRotates) {
    ControllerHarness h(1000.0f, 800.0f);
    h.controller.setMenuHome(Vec2(500.0f, 400.0f));
    dragFrom(h, 500.0f, 30.0f, 6.0f, 0.0f, 10);
    EXPECT_EQ(h.frameGesture(), 1);
    EXPECT_EQ(h.controller.log().codes(), (std::vector<int>{0, 12}));
    EXPECT_NE(h.drawing.view.rotation, 0.0f);
    EXPECT_EQ(h.drawing.view.panX, 50.0f);
}

TEST(BorderGesture, CornerZoomStaysWithinItsLimitsAndRebuildsOnRelease) {
    ControllerHarness h(1000.0f, 800.0f);
    h.controller.setMenuHome(Vec2(-1000.0f, -1000.0f));
    h.stroke(400.0f, 400.0f, 600.0f, 420.0f);
    ASSERT_EQ(h.drawing.strokes.count(), 1u);
    // Bottom right corner, pressed below its diagonal, moving away from the corner: zoom in.
    dragFrom(h, 960.0f, 20.0f, -3.0f, 3.0f, 300);
    EXPECT_EQ(h.frameGesture(), 6);
    EXPECT_FLOAT_EQ(h.drawing.view.zoom, 10.0f);
    h.controller.onRelease(h.controller.gestures().begin()->last.x, h.controller.gestures().begin()->last.y, 0);
    EXPECT_GT(h.drawing.strokes.first()->stroke->ribZoomLimit, 10.0f) << "rebuilt at zoom 10";
    dragFrom(h, 960.0f, 20.0f, 3.0f, -3.0f, 2);  // back towards the corner: zoom out
    EXPECT_LT(h.drawing.view.zoom, 10.0f);
    h.controller.onRelease(h.controller.gestures().begin()->last.x, h.controller.gestures().begin()->last.y, 0);
    for (int i = 0; i < 5; ++i) {
        dragFrom(h, 900.0f, 80.0f, 3.0f, -3.0f, 15);
        h.controller.onRelease(h.controller.gestures().begin()->last.x, h.controller.gestures().begin()->last.y, 0);
    }
    EXPECT_GE(h.drawing.view.zoom, 0.1f);
}

TEST(MenuSlider, NothingWithinFivePixelsThenEveryEventCounts) {
    ControllerHarness h;
    const float kSliderX = h.controller.menu().home.x + kSliderOffset.x;
    const float kSliderY = h.controller.menu().home.y + kSliderOffset.y;
    h.controller.onPress(kSliderX, kSliderY, 0, 1.0f);
    ASSERT_EQ(h.menuItem(), 1);
    h.controller.onDrag(kSliderX, kSliderY - 4.0f, 1.0f);
    EXPECT_EQ(h.drawing.brush.size, 5.0f);
    h.controller.onDrag(kSliderX, kSliderY - 6.0f, 1.0f);  // towards the centre: larger
    EXPECT_FLOAT_EQ(h.drawing.brush.size, 5.5f);
    h.controller.onRelease(kSliderX, kSliderY - 6.0f, 0);
    EXPECT_EQ(h.menuItem(), -1);
}

TEST(MenuSlider, BrushSizeBelowTheLimitIsNotClamped) {
    ControllerHarness h;
    const float kSliderX = h.controller.menu().home.x + kSliderOffset.x;
    const float kSliderY = h.controller.menu().home.y + kSliderOffset.y;
    h.drawing.brush.size = 25.4f;
    dragFrom(h, kSliderX, kSliderY, 0.0f, -3.0f, 4);
    EXPECT_FLOAT_EQ(h.drawing.brush.size, 25.4f) << "25.4 + 0.75 is refused, not clamped";
}

TEST(MenuSlider, SmoothnessPrintsEveryTentativeValueAndRepairsKeyedValues) {
    ControllerHarness h;
    h.drawing.smoothness = 11.0f;  // pushed past the range with the keys
    const Vec2 second =
        h.controller.menu().position + rotated(Vec2(-121.6f, 0.0f), (-85.0f - 30.0f) * kDegToRad);
    testing::internal::CaptureStdout();
    h.controller.onPress(second.x, second.y, 0, 1.0f);
    ASSERT_EQ(h.menuItem(), 2);
    h.controller.onDrag(second.x + 8.0f, second.y, 1.0f);
    const std::string said = testing::internal::GetCapturedStdout();
    EXPECT_EQ(said.rfind("error: ", 0), 0u) << said;
    EXPECT_FLOAT_EQ(h.drawing.smoothness, 10.0f);
}

TEST(MenuSlider, EditModeSlidersScaleTheDeformTool) {
    ControllerHarness h;
    const float kSliderX = h.controller.menu().home.x + kSliderOffset.x;
    const float kSliderY = h.controller.menu().home.y + kSliderOffset.y;
    h.controller.selectMenuButton(1);
    const float r0 = h.drawing.deformTool.circles[0].radius;
    dragFrom(h, kSliderX, kSliderY, 0.0f, -2.0f, 6);
    EXPECT_EQ(h.menuItem(), 3);
    EXPECT_GT(h.drawing.deformTool.circles[0].radius, r0);
    EXPECT_LE(h.drawing.deformTool.bounds.maxX - h.drawing.deformTool.bounds.minX, 70.0f);
}
