#include <gtest/gtest.h>

#include "ControllerHarness.h"

// The menu's home ring reaches into the lower-left band and corner; these tests press
// there, so they move the menu out of the way first.
TEST(Classification, BandPressLogsBorderAndStartsABorderGesture) {
    ControllerHarness h(1000.0f, 800.0f);
    h.controller.setMenuHome(Vec2(500.0f, 400.0f));
    h.controller.onPress(30.0f, 300.0f, 0, 1.0f);
    EXPECT_EQ(h.controller.log().codes(), std::vector<int>{0});
    EXPECT_TRUE(h.holder(GestureRecord::Target::Frame));
    EXPECT_EQ(h.frameGesture(), -1);
}

TEST(Classification, CornerPressLogsCornerThenBorder) {
    ControllerHarness h(1000.0f, 800.0f);
    h.controller.setMenuHome(Vec2(500.0f, 400.0f));
    h.controller.onPress(70.0f, 70.0f, 0, 1.0f);  // 98.99 from (0, 0)
    EXPECT_EQ(h.controller.log().codes(), (std::vector<int>{14, 0}));
    EXPECT_EQ(h.frameGesture(), 5);
    h.controller.onRelease(70.0f, 70.0f, 0);
    h.controller.onPress(930.0f, 730.0f, 0, 1.0f);  // top-right corner zone
    EXPECT_EQ(h.frameGesture(), 7);
}

TEST(Classification, ExactlyCornerRadiusAwayIsNotACorner) {
    ControllerHarness h(1000.0f, 800.0f);
    h.controller.onPress(0.0f, 108.0f, 0, 1.0f);
    EXPECT_EQ(h.controller.log().codes(), std::vector<int>{0});
    EXPECT_EQ(h.frameGesture(), -1);
}

TEST(Classification, CanvasPressInDrawModeBeginsAStroke) {
    ControllerHarness h;
    h.controller.onPress(400.0f, 400.0f, 0, 0.5f);
    EXPECT_EQ(h.controller.log().codes(), std::vector<int>{1});
    ASSERT_TRUE(h.drawing.current);
    EXPECT_TRUE(h.drawing.drawingActive);
}

TEST(Classification, SecondPressWhileOneIsActiveIsDropped) {
    ControllerHarness h;
    h.controller.onPress(400.0f, 400.0f, 0, 1.0f);
    h.controller.onPress(30.0f, 300.0f, 1, 1.0f);
    ASSERT_EQ(h.controller.gestures().size(), 1u);
    EXPECT_EQ(h.controller.gestures().begin()->button, 0);
    EXPECT_EQ(h.controller.log().codes(), std::vector<int>{1});
}

TEST(Classification, ReleaseWithoutPressDoesNothing) {
    ControllerHarness h;
    h.controller.onRelease(400.0f, 400.0f, 0);
    EXPECT_TRUE(h.controller.log().codes().empty());
    EXPECT_FALSE(h.controller.indicator().visible);
    EXPECT_EQ(h.drawing.strokes.count(), 0u);
}

TEST(Classification, MenuButtonsSwitchModeAtPressAndTheMenuReturnsHome) {
    ControllerHarness h;
    const Vec2 edit = h.controller.menu().buttonCentre(1);
    h.controller.onPress(edit.x, edit.y, 0, 1.0f);
    EXPECT_EQ(h.controller.mode(), 1) << "the mode changes during the press";
    EXPECT_EQ(h.drawing.mode, 1);
    EXPECT_TRUE(h.holder(GestureRecord::Target::Menu));
    h.controller.setMenuHome(Vec2(500.0f, 500.0f));
    h.controller.onRelease(edit.x, edit.y, 0);
    EXPECT_EQ(h.controller.menu().position, h.controller.menu().home);
    EXPECT_EQ(h.controller.menu().pressedButton, -1);
    EXPECT_TRUE(h.controller.log().codes().empty()) << "menu presses are not logged";
}
