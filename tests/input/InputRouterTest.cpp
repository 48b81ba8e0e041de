#include <gtest/gtest.h>

#include <vector>

#include "input/InputRouter.h"
#include "platform/ConstantProvider.h"
#include "platform/SurfaceEvent.h"
#include "platform/SurfaceManager.h"
#include "platform/VisComponent.h"

namespace {
struct Routed {
    std::uint32_t type;
    std::uint32_t source;
    double x, y;
    int alt;
    float pressure;
    VisComponent* component;
};

struct Fixture : ::testing::Test {
    SurfaceManager scene;
    std::vector<Routed> routed;
    InputRouter router{
        scene, [this](SurfaceEvent& e, int alt, float p, VisComponent* c) {
            routed.push_back({e.getType(), e.getSource(), e.getX(), e.getY(), alt, p, c});
        }};
    std::uint32_t press = ConstantProvider::getInstance().getEventTypeIdentifier("PRESS");
    std::uint32_t drag = ConstantProvider::getInstance().getEventTypeIdentifier("DRAG");
    std::uint32_t release = ConstantProvider::getInstance().getEventTypeIdentifier("RELEASE");
};
}  // namespace

TEST_F(Fixture, EventTypesAreDistinctAndStable) {
    EXPECT_NE(press, drag);
    EXPECT_NE(drag, release);
    EXPECT_NE(press, release);
    EXPECT_EQ(press, ConstantProvider::getInstance().getEventTypeIdentifier("PRESS"));
}

TEST_F(Fixture, MouseAndTabletFlipYAgainstTheHeightContactsOnePixelLower) {
    router.setCanvasHeight(600);
    router.press(InputRouter::Source::Mouse, 10, 10, 0, 1.0f);
    router.press(InputRouter::Source::Tablet, 10, 10, 0, 0.25f);
    router.press(InputRouter::Source::Contact, 10, 10, 0, 1.0f);
    ASSERT_EQ(routed.size(), 3u);
    EXPECT_EQ(routed[0].y, 590.0);
    EXPECT_EQ(routed[0].source, 0u);
    EXPECT_EQ(routed[1].y, 590.0);
    EXPECT_EQ(routed[1].source, 1u);
    EXPECT_FLOAT_EQ(routed[1].pressure, 0.25f);
    EXPECT_EQ(routed[2].y, 589.0);
    EXPECT_EQ(routed[2].source, 0u);
}

TEST_F(Fixture, PositionsBelowTheBottomEdgeWrapInUnsignedArithmetic) {
    router.setCanvasHeight(600);
    router.move(InputRouter::Source::Mouse, -5, 610, 1.0f);
    ASSERT_EQ(routed.size(), 1u);
    EXPECT_EQ(routed[0].y, 4294967286.0);  // 600 - 610 modulo 2^32
    EXPECT_EQ(routed[0].x, -5.0);          // x stays signed
    EXPECT_EQ(routed[0].alt, -1);
}

TEST_F(Fixture, ReleasesCarryFullPressureAndDragsNoButton) {
    router.setCanvasHeight(100);
    router.move(InputRouter::Source::Tablet, 1, 1, 0.4f);
    router.release(InputRouter::Source::Tablet, 1, 1, 1);
    ASSERT_EQ(routed.size(), 2u);
    EXPECT_EQ(routed[0].type, drag);
    EXPECT_FLOAT_EQ(routed[0].pressure, 0.4f);
    EXPECT_EQ(routed[1].type, release);
    EXPECT_EQ(routed[1].alt, 1);
    EXPECT_FLOAT_EQ(routed[1].pressure, 1.0f);
}

TEST_F(Fixture, PressPicksTheTopmostComponentAndRaisesIt) {
    auto* low = scene.addComponent(std::make_unique<VisComponent>());
    low->setPosition(50, 50);
    low->setWidth(100);
    low->setHeight(100);
    auto* high = scene.addComponent(std::make_unique<VisComponent>());
    high->setPosition(80, 80);
    high->setWidth(40);
    high->setHeight(40);
    router.setCanvasHeight(200);
    router.press(InputRouter::Source::Mouse, 80, 120, 0, 1.0f);  // screen (80, 80)
    ASSERT_EQ(routed.size(), 1u);
    EXPECT_EQ(routed[0].component, high);
    router.press(InputRouter::Source::Mouse, 20, 180, 0, 1.0f);  // screen (20, 20)
    EXPECT_EQ(routed[1].component, low);
    EXPECT_EQ(scene.getComponentAt(80, 80, true), low) << "the pressed component was raised";
    router.release(InputRouter::Source::Mouse, 20, 180, 0);
    EXPECT_EQ(routed[2].component, nullptr);
    EXPECT_EQ(scene.updateList().size(), 1u);
}
