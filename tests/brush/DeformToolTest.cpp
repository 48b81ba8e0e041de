#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "brush/DeformTool.h"
#include "support/Tolerance.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// The tool the drawing starts with, placed at (100, 100).
DeformTool startupTool() {
    DeformTool t;
    t.addCircle({{0, 0}, 25.0f, 0.2f});
    t.setPosition(100, 100, 0, 0);
    return t;
}

Vec2 movedBy(const DeformTool& t, Vec2 p, Vec2 d) {
    std::vector<ControlPoint> pts{{p.x, p.y, 3.0f, 0.5f}};
    t.displace(d.x, d.y, pts);
    EXPECT_EQ(pts[0].r, 3.0f);
    EXPECT_EQ(pts[0].a, 0.5f);
    return pts[0].pos() - p;
}

TEST(DeformTool, FullPullInsideTheRimHalfwayAcrossItNoneBeyond) {
    const DeformTool t = startupTool();
    EXPECT_EQ(movedBy(t, {100, 100}, {4, -2}), Vec2(4, -2));
    EXPECT_EQ(movedBy(t, {120, 100}, {4, -2}), Vec2(4, -2));  // 0.8 of the radius
    const Vec2 half = movedBy(t, {100, 122.5f}, {4, -2});
    EXPECT_NEAR(half.x, 2.0f, tol::kUlpish);
    EXPECT_NEAR(half.y, -1.0f, tol::kUlpish);
    EXPECT_EQ(movedBy(t, {125, 100}, {4, -2}), Vec2(0, 0));
    EXPECT_EQ(movedBy(t, {100, 60}, {4, -2}), Vec2(0, 0));
}

TEST(DeformTool, OverlappingCirclesNeverPushFartherThanTheDrag) {
    DeformTool t = startupTool();
    t.addCircle({{10, 0}, 25.0f, 0.2f});
    t.addCircle({{5, 5}, 15.0f, 1.0f});
    EXPECT_EQ(t.bounds, Rect(-25, -25, 35, 25));
    const Vec2 d(6, 8);
    for (float x = 60; x <= 150; x += 2.5f) {
        for (float y = 60; y <= 140; y += 2.5f) {
            EXPECT_LE(length(movedBy(t, {x, y}, d)), length(d) + tol::kUlpish) << x << "," << y;
        }
    }
}

TEST(DeformTool, RescaleKeepsTheToolWithinItsLimits) {
    DeformTool t = startupTool();
    t.rescale(2.0f, 70.0f);  // 100 > 70
    EXPECT_EQ(t.circles[0].radius, 25.0f);
    EXPECT_EQ(t.bounds, Rect(-25, -25, 25, 25));

    t.rescale(1.2f, 70.0f);
    EXPECT_NEAR(t.circles[0].radius, 30.0f, tol::kUlpish);
    EXPECT_NEAR(t.bounds.maxX - t.bounds.minX, 60.0f, tol::kUlpish);
    EXPECT_NEAR(t.bounds.maxY - t.bounds.minY, 60.0f, tol::kUlpish);
    EXPECT_EQ(t.circles[0].offset, Vec2(0, 0));

    for (float refused : {0.01f, 0.0f, -1.0f, kNaN, kInf}) {
        const Rect before = t.bounds;
        t.rescale(refused, 70.0f);
        EXPECT_EQ(t.bounds, before) << refused;
    }
}

TEST(DeformTool, FalloffIsCappedAtTheWholeRadius) {
    DeformTool t = startupTool();
    t.scaleFalloff(10.0f);
    EXPECT_EQ(t.circles[0].falloff, 1.0f);
    // Now linear from the centre: half way out, half the pull.
    EXPECT_NEAR(t.influence(t.circles[0], {112.5f, 100}), 0.5f, tol::kUlpish);
    for (float refused : {0.0f, -3.0f, kNaN}) {
        t.scaleFalloff(refused);
        EXPECT_EQ(t.circles[0].falloff, 1.0f) << refused;
    }
    t.scaleFalloff(1e-9f);
    EXPECT_EQ(t.circles[0].falloff, DeformTool::kMinFalloff);
    EXPECT_EQ(movedBy(t, {100, 100}, {1, 1}), Vec2(1, 1));  // still moves, no division by zero
}

TEST(DeformTool, NonFiniteInputNeverReachesThePoints) {
    DeformTool t = startupTool();
    for (Vec2 d : {Vec2(kNaN, 1), Vec2(1, kInf), Vec2(-kInf, 0)}) {
        EXPECT_EQ(movedBy(t, {100, 100}, d), Vec2(0, 0));
        // 0 * inf would be NaN for a point outside every circle.
        EXPECT_EQ(movedBy(t, {500, 500}, d), Vec2(0, 0));
    }
    // A move that overflows the float range leaves the point where it was.
    std::vector<ControlPoint> far{{3e38f, 0, 1, 1}};
    t.setPosition(3e38f, 0, 0, 0);
    t.displace(3e38f, 0, far);
    EXPECT_EQ(far[0].x, 3e38f);

    t.setPosition(kNaN, 5, 1, 1);
    t.setPosition(5, 5, kInf, 1);
    EXPECT_EQ(t.position, Vec2(3e38f, 0));
    EXPECT_EQ(t.influence(t.circles[0], {kNaN, 0}), 0.0f);
}

TEST(DeformTool, CirclesThatCouldMoveNothingAreRefused) {
    DeformTool t;
    EXPECT_TRUE(t.area().isEmpty());
    for (InfluenceCircle c : {InfluenceCircle{{0, 0}, 0.0f, 0.2f},
                              {{0, 0}, -4.0f, 0.2f},
                              {{0, 0}, kNaN, 0.2f},
                              {{0, 0}, kInf, 0.2f},
                              {{kNaN, 0}, 5.0f, 0.2f},
                              {{0, 0}, 5.0f, kNaN}}) {
        EXPECT_FALSE(t.addCircle(c));
    }
    EXPECT_TRUE(t.circles.empty());
    EXPECT_TRUE(t.area().isEmpty());
    EXPECT_EQ(movedBy(t, {0, 0}, {1, 1}), Vec2(0, 0));

    EXPECT_TRUE(t.addCircle({{0, 0}, 5.0f, 0.0f}));  // a hard rim, not a division by zero
    EXPECT_EQ(t.circles[0].falloff, DeformTool::kMinFalloff);
    t.setPosition(10, 20, 0, 0);
    EXPECT_EQ(t.area(), Rect(5, 15, 15, 25));
    EXPECT_EQ(movedBy(t, {12, 22}, {1, 1}), Vec2(1, 1));
}

}  // namespace
