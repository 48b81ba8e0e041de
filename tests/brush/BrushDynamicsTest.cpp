#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

#include "brush/BrushDynamics.h"
#include "support/Tolerance.h"

namespace {

BrushDynamics quietBrush() {
    BrushDynamics b;
    b.setTraceStream(nullptr);
    return b;
}

TEST(BrushDynamics, StartsWithSizeFiveAndPressureDrivingTheRadius) {
    BrushDynamics b = quietBrush();
    const BrushSample s = b.sample(0, 0, 0.5f);
    EXPECT_EQ(s.radius, 2.5f);
    EXPECT_EQ(s.opacity, 1.0f);
    EXPECT_EQ(s.colour, Rgb{});
    EXPECT_EQ(b.sample(0, 0, 0.0f).radius, 0.0f);  // no lower bound from pressure
}

TEST(BrushDynamics, PressureOnOpacityIsCappedAtOne) {
    BrushDynamics b = quietBrush();
    b.pressureMode = BrushDynamics::kOpacity;
    BrushSample s = b.sample(0, 0, 1.7f);
    EXPECT_EQ(s.radius, 5.0f);
    EXPECT_EQ(s.opacity, 1.0f);
    s = b.sample(0, 0, 0.3f);
    EXPECT_EQ(s.opacity, 0.3f);
}

TEST(BrushDynamics, OneSpringStepFromRestTowardAPointFiftyAway) {
    BrushDynamics b = quietBrush();
    b.reset(100, 100);
    b.step(150, 100);
    EXPECT_NEAR(b.velocity.x, 2.04f, tol::kUlpish);  // 50 * 0.06 * 0.68
    EXPECT_EQ(b.velocity.y, 0.0f);
    EXPECT_NEAR(b.follower.x, 102.04f, tol::kUlpish);
    EXPECT_NEAR(b.speedFactor(), 0.9796f, tol::kUlpish);
}

TEST(BrushDynamics, ResetKeepsTheVelocityWhichOnlyDecays) {
    BrushDynamics b = quietBrush();
    b.reset(0, 0);
    b.step(50, 0);
    const float v = b.velocity.x;
    b.reset(10, 10);
    EXPECT_EQ(b.follower, Vec2(10, 10));
    EXPECT_EQ(b.cursor, Vec2(10, 10));
    EXPECT_EQ(b.velocity.x, v);
    b.step(20, 10);  // spring pull of 10 * 0.06 adds to it, then damping
    EXPECT_NEAR(b.velocity.x, (v + 0.06f * 10) * 0.68f, tol::kUlpish);
    b.setCursor(3, 4);
    EXPECT_EQ(b.cursor, Vec2(3, 4));
    EXPECT_NE(b.follower, Vec2(3, 4));
}

TEST(BrushDynamics, SpeedWinsOverPressureAndStaysWithinItsRange) {
    BrushDynamics b = quietBrush();
    b.speedMode = BrushDynamics::kRadius;
    b.reset(0, 0);
    EXPECT_EQ(b.sample(0, 0, 0.2f).radius, 5.0f);  // at rest: factor 1, pressure ignored

    b.speedMode = BrushDynamics::kOpacity;
    b.pressureMode = BrushDynamics::kOpacity;
    b.reset(0, 0);
    for (int i = 0; i < 30; ++i) {
        const BrushSample s = b.sample(5000.0f * static_cast<float>(i), 0, 0.9f);
        EXPECT_LE(s.opacity, 1.0f);
        EXPECT_GE(s.opacity, 0.01f);
    }
    EXPECT_EQ(b.sample(1e6f, 0, 0.9f).opacity, 0.01f);  // fast: the floor
}

TEST(BrushDynamics, SpeedSamplesWriteOneTraceLineEach) {
    BrushDynamics b;
    std::ostringstream trace;
    b.setTraceStream(&trace);
    b.sample(10, 0, 1);  // speed off: no line
    EXPECT_TRUE(trace.str().empty());

    b.speedMode = BrushDynamics::kRadius;
    b.reset(100, 100);
    b.velocity = Vec2(0, 0);
    b.sample(150, 100, 1);
    EXPECT_EQ(trace.str(),
              "th: 7.96 max_th: 10 vh: 2.04 vh*ductus: 2.04 vhPerc: 0.0204 perc: 0.9796\n");
}

TEST(BrushDynamics, NonFiniteInputNeitherPoisonsTheFollowerNorTheRadius) {
    BrushDynamics b = quietBrush();
    constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
    b.reset(10, 10);
    b.step(kNaN, 0);
    b.reset(kNaN, 5);
    EXPECT_EQ(b.follower, Vec2(10, 10));
    EXPECT_EQ(b.sample(10, 10, kNaN).radius, 5.0f);  // unknown pressure counts as full
    EXPECT_EQ(b.sample(10, 10, -1.0f).radius, 0.0f);
    b.speedMode = BrushDynamics::kRadius;
    EXPECT_TRUE(std::isfinite(b.sample(kNaN, kNaN, 1).radius));
}

}  // namespace
