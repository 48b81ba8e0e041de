#include <gtest/gtest.h>

#include "ControllerHarness.h"

namespace {
// Holds a press still for more than a second (a tap that counts as still).
void hold(ControllerHarness& h, float x, float y, int button = 0) {
    h.seconds += 10.0;
    h.controller.onPress(x, y, button, 1.0f);
    h.seconds += 1.5;
    h.controller.onRelease(x, y, button);
}
}  // namespace

TEST(EditMode, DraggingPushesTheStrokeUnderTheToolAndReindexesItOnRelease) {
    ControllerHarness h;
    h.stroke(300.0f, 400.0f, 600.0f, 400.0f);
    h.controller.selectMenuButton(1);
    const float before = h.drawing.strokes.first()->stroke->bounds.maxY;
    h.stroke(450.0f, 400.0f, 450.0f, 440.0f);  // drag the middle upwards
    EXPECT_EQ(h.controller.log().codes().back(), 2);
    EXPECT_GT(h.drawing.strokes.first()->stroke->bounds.maxY, before + 20.0f);
    EXPECT_TRUE(h.drawing.deformed.empty());
    EXPECT_FALSE(h.drawing.deformToolActive);
    const Stroke& s = *h.drawing.strokes.first()->stroke;
    EXPECT_EQ(h.drawing.index.query(Rect(0.0f, 0.0f, 900.0f, 900.0f)).size(),
              static_cast<std::size_t>(s.pointCount() - 1));
}

TEST(Selection, HoldOnAStrokeSelectsItAndTheCancelIconHidesTheBox) {
    ControllerHarness h;
    h.stroke(300.0f, 400.0f, 600.0f, 400.0f);
    hold(h, 450.0f, 402.0f);
    ASSERT_TRUE(h.drawing.selectionBox.shown);
    EXPECT_EQ(h.drawing.selection.size(), 1u);
    EXPECT_FALSE(h.controller.indicator().visible);
    // With the box shown, a canvas press neither draws nor erases, and every release is still.
    h.tap(450.0f, 300.0f);
    EXPECT_FALSE(h.drawing.selectionBox.shown) << "a tap on nothing deselects";
    EXPECT_TRUE(h.drawing.selection.empty());
    EXPECT_EQ(h.drawing.strokes.count(), 1u);
}

TEST(Selection, DraggingAnEdgeHandleMovesTheSelection) {
    ControllerHarness h;
    h.stroke(300.0f, 400.0f, 600.0f, 500.0f);
    hold(h, 450.0f, 451.0f);
    ASSERT_TRUE(h.drawing.selectionBox.shown);
    // Corner 0 is (250, 350) canvas, corner 1 (250, 450): the left edge's handle runs 7.5
    // units outside it; at screen = canvas + 50 that is x = 292.5.
    const float x0 = 292.5f, y0 = 450.0f;
    h.controller.onPress(x0, y0, 0, 1.0f);
    ASSERT_EQ(h.handleIndex(), 4);
    // Along the edge's direction (corner 1 towards corner 0, downwards).
    for (int i = 1; i <= 10; ++i) h.controller.onDrag(x0, y0 - 6.0f * i, 1.0f);
    EXPECT_EQ(h.controller.log().codes().back(), 6) << "decided as a move along the edge";
    h.controller.onRelease(x0, y0 - 60.0f, 0);
    EXPECT_LT(h.drawing.strokes.first()->stroke->bounds.maxY, 450.0f - 40.0f);
    EXPECT_EQ(h.handleIndex(), -1);
}

TEST(Selection, EraseLassoFromTheIndicatorDeletesWhatItCrosses) {
    ControllerHarness h;
    h.stroke(300.0f, 400.0f, 600.0f, 400.0f);
    h.stroke(300.0f, 600.0f, 600.0f, 600.0f);
    hold(h, 700.0f, 300.0f, 1);  // a still secondary press shows the indicator
    ASSERT_TRUE(h.controller.indicator().visible);
    h.controller.onPress(700.0f, 300.0f, 1, 1.0f);
    EXPECT_TRUE(h.holder(GestureRecord::Target::Indicator));
    for (int i = 1; i <= 30; ++i) h.controller.onDrag(700.0f - 10.0f * i, 300.0f + 8.0f * i, 1.0f);
    h.controller.onRelease(400.0f, 540.0f, 1);
    EXPECT_EQ(h.drawing.strokes.count(), 1u) << "the lower stroke was crossed and deleted";
    EXPECT_EQ(h.controller.log().codes().back(), 9);
}
