#include <gtest/gtest.h>

#include "ControllerHarness.h"

TEST(StillPress, HeldLongEnoughOnAnEmptySpotShowsTheIndicator) {
    ControllerHarness h;
    h.seconds = 10.7;
    h.controller.onPress(500.0f, 500.0f, 0, 1.0f);
    h.seconds = 11.8;  // held 1.1 s
    h.controller.onRelease(500.0f, 500.0f, 0);
    EXPECT_TRUE(h.controller.indicator().visible);
    EXPECT_EQ(h.controller.indicator().position, Vec2(500.0f, 500.0f));
    EXPECT_EQ(h.drawing.strokes.count(), 0u) << "the one-point stroke is discarded";
    EXPECT_EQ(h.controller.log().strokeRecords().size(), 4u) << "its record is still taken";
}

TEST(StillPress, QuickClickEarlyInASecondIsNotStill) {
    ControllerHarness h;
    h.seconds = 10.2;
    h.controller.onPress(500.0f, 500.0f, 0, 1.0f);
    h.seconds = 10.6;
    h.controller.onRelease(500.0f, 500.0f, 0);
    EXPECT_FALSE(h.controller.indicator().visible);
}

TEST(StillPress, TappingTheIndicatorMovesTheMenuThere) {
    ControllerHarness h;
    h.seconds = 10.7;
    h.controller.onPress(500.0f, 500.0f, 0, 1.0f);
    h.seconds = 11.8;
    h.controller.onRelease(500.0f, 500.0f, 0);
    ASSERT_TRUE(h.controller.indicator().visible);
    h.seconds = 12.0;
    h.controller.onPress(505.0f, 500.0f, 0, 1.0f);
    EXPECT_EQ(h.controller.log().codes().back(), 8);
    h.seconds = 13.5;
    h.controller.onRelease(505.0f, 500.0f, 0);
    EXPECT_FALSE(h.controller.indicator().visible);
    EXPECT_EQ(h.controller.menu().position, Vec2(505.0f, 500.0f));
}

TEST(StillPress, IndicatorFadesAndDisappears) {
    ControllerHarness h;
    h.seconds = 8.5;  // a still press shows it
    h.controller.onPress(100.0f, 100.0f, 0, 1.0f);
    h.seconds = 10.0;
    h.controller.onRelease(100.0f, 100.0f, 0);
    ASSERT_TRUE(h.controller.indicator().visible);
    h.seconds = 11.15;
    h.controller.tick();
    EXPECT_NEAR(h.controller.indicator().alpha, 0.5f, 1e-4f);
    h.seconds = 12.3;
    h.controller.tick();
    EXPECT_FALSE(h.controller.indicator().visible);
}

TEST(Drag, EventsNearTheWindowEdgeChangeNothing) {
    ControllerHarness h;
    h.controller.onPress(400.0f, 400.0f, 0, 1.0f);
    const auto points = h.drawing.current->pointCount();
    for (float x : {4.0f, 1196.0f}) {
        h.controller.onDrag(x, 400.0f, 1.0f);
    }
    h.controller.onDrag(400.0f, 3.0f, 1.0f);
    h.controller.onDrag(400.0f, 896.0f, 1.0f);
    EXPECT_EQ(h.controller.gestures().find(PointerKey::mouse())->last, Vec2(400.0f, 400.0f));
    EXPECT_EQ(h.drawing.current->pointCount(), points);
}

TEST(Drag, PrimaryDrawsAndSecondaryErases) {
    ControllerHarness h;
    h.stroke(300.0f, 400.0f, 600.0f, 400.0f);
    ASSERT_EQ(h.drawing.strokes.count(), 1u);
    EXPECT_EQ(h.controller.log().codes(), std::vector<int>{1});
    h.stroke(450.0f, 300.0f, 450.0f, 500.0f, 1);
    EXPECT_EQ(h.drawing.strokes.count(), 2u) << "erasing across the middle leaves two pieces";
    EXPECT_EQ(h.controller.log().codes(), std::vector<int>{1}) << "erasing is not logged";
}

TEST(Drag, PointerMovesTheBrushCursorWithoutAPress) {
    ControllerHarness h;
    h.controller.onPointer(321.0f, 123.0f);
    EXPECT_EQ(h.drawing.brush.cursor, Vec2(321.0f, 123.0f));
    EXPECT_EQ(h.drawing.deformTool.screenPosition, Vec2(321.0f, 123.0f));
}
