#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "geometry/Rect.h"
#include "geometry/Vec2.h"
#include "support/Tolerance.h"

namespace {

constexpr float kNoFoot = 9999999.0f;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

TEST(Vec2, NormalPointsLeftOfTravelAndDivisionUsesOneReciprocal) {
    EXPECT_EQ(unitNormal({0, 0}, {10, 0}), Vec2(0, 1));
    EXPECT_EQ(unitNormal({0, 0}, {0, 10}), Vec2(-1, 0));
    // a / s is a * (1/s): for s = 3 the two roundings differ from a true division.
    const float inv = 1.0f / 3.0f;
    EXPECT_EQ((Vec2(10, 7) / 3.0f), Vec2(10 * inv, 7 * inv));
}

TEST(Vec2, AnglesAreUnwrappedAndRotationIsCounterClockwise) {
    EXPECT_FLOAT_EQ(angleTo({1, 0}, {0, 1}), std::numbers::pi_v<float> / 2);
    EXPECT_FLOAT_EQ(angleTo({0, -1}, {-1, 0}), 3 * std::numbers::pi_v<float> / 2);
    EXPECT_NEAR(angleBetween({1, 0}, {-2, 0}), std::numbers::pi_v<float>, tol::kUlpish);
    Vec2 v(1, 0);
    rotate(v, std::numbers::pi_v<float> / 2);
    EXPECT_NEAR(v.x, 0, tol::kUlpish);
    EXPECT_NEAR(v.y, 1, tol::kUlpish);
}

TEST(Vec2, NormalWithFallbackOnlyReplacesUnusableDirections) {
    const Vec2 fallback(0.6f, 0.8f);
    EXPECT_EQ(unitNormalOr({3, 4}, {3, 4}, fallback), fallback);
    EXPECT_EQ(unitNormalOr({0, 0}, {1e-30f, 0}, fallback), fallback);  // squares underflow
    EXPECT_EQ(unitNormalOr({-3e38f, 0}, {3e38f, 0}, fallback), fallback);
    EXPECT_EQ(unitNormalOr({kNaN, 0}, {1, 0}, fallback), fallback);
    EXPECT_EQ(unitNormalOr({1, 2}, {4, -7}, fallback), unitNormal({1, 2}, {4, -7}));
}

TEST(Rect, EmptyRectTakesFirstPointAndTouchingRectsOverlap) {
    Rect r;
    EXPECT_EQ(r.minX, 3.4028235e38f);
    EXPECT_EQ(r.maxY, -3.4028235e38f);
    r.include({2, 3});
    EXPECT_EQ(r, Rect(2, 3, 2, 3));
    r.include({-1, 5});
    EXPECT_EQ(r, Rect(-1, 3, 2, 5));
    EXPECT_TRUE(Rect(0, 0, 1, 1).overlaps(Rect(1, 0, 2, 1)));
    EXPECT_TRUE(Rect(0, 0, 1, 1).overlaps(Rect(1, 1, 2, 2)));
    EXPECT_FALSE(Rect(0, 0, 1, 1).overlaps(Rect(1.0001f, 0, 2, 1)));
}

TEST(Rect, MeetsSegmentInsideCrossingAndAtCorners) {
    const Rect box(0, 0, 10, 10);
    EXPECT_TRUE(box.meetsSegment({2, 2}, {8, 3}));      // wholly inside
    EXPECT_TRUE(box.meetsSegment({-5, 5}, {15, 5}));    // through
    EXPECT_TRUE(box.meetsSegment({15, 5}, {-5, 5}));    // the same, reversed
    EXPECT_TRUE(box.meetsSegment({-5, 5}, {5, 15}));    // cuts a corner off
    EXPECT_TRUE(box.meetsSegment({-1, 11}, {1, 9}));    // touches only the corner (0, 10)
    EXPECT_TRUE(box.meetsSegment({10, 10}, {20, 20}));  // starts on the corner
    EXPECT_TRUE(box.meetsSegment({5, -3}, {5, 0}));     // vertical, ends on the border
    EXPECT_TRUE(box.meetsSegment({3, 10}, {7, 10}));    // horizontal, along the border
}

TEST(Rect, MeetsSegmentRejectsNearMisses) {
    const Rect box(0, 0, 10, 10);
    EXPECT_FALSE(box.meetsSegment({-10, 5}, {-1, 5}));       // its line crosses, it stops short
    EXPECT_FALSE(box.meetsSegment({-2, 8.5f}, {1, 11.5f}));  // passes just outside a corner
    EXPECT_FALSE(box.meetsSegment({-2, 9}, {2, 13}));        // diagonal beyond the corner
    EXPECT_FALSE(box.meetsSegment({5, 10.5f}, {6, 10.5f}));  // horizontal just above
    EXPECT_FALSE(box.meetsSegment({11, -5}, {11, 15}));      // vertical just right of it
    EXPECT_FALSE(box.meetsSegment({kNaN, 5}, {5, 5}));
}

TEST(PointSegmentDistance, PerpendicularFootMustBeStrictlyInside) {
    EXPECT_FLOAT_EQ(pointSegmentDistance({0, 0}, {10, 0}, {4, 3}), 3.0f);
    EXPECT_FLOAT_EQ(pointSegmentDistance({0, 0}, {10, 0}, {4, -2}), 2.0f);
    EXPECT_EQ(pointSegmentDistance({0, 0}, {10, 0}, {0, 3}), kNoFoot);   // foot at A
    EXPECT_EQ(pointSegmentDistance({0, 0}, {10, 0}, {10, 3}), kNoFoot);  // foot at B
    EXPECT_EQ(pointSegmentDistance({0, 0}, {10, 0}, {-1, 0}), kNoFoot);
    EXPECT_EQ(pointSegmentDistance({2, 2}, {2, 2}, {3, 3}), kNoFoot);  // no segment at all
}

}  // namespace
