#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "brush/DefinedBrushTool.h"
#include "geometry/Stroke.h"
#include "support/Tolerance.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// The export outline of a stroke through the points with one radius.
std::vector<float> outlineOf(const std::vector<Vec2>& pts, float r) {
    Stroke s;
    for (Vec2 p : pts) s.points.push_back({p.x, p.y, r, 1.0f});
    s.resetRibLists();
    s.buildAllRibs(1.0f);
    std::vector<float> positions, opacities;
    s.buildExportOutline(1.0f, positions, opacities);
    return positions;
}

std::vector<Vec2> arc() {
    std::vector<Vec2> pts;
    for (int i = 0; i < 12; ++i) pts.push_back({300 + 15.0f * i, 400 + 40 * std::sin(i * 0.4f)});
    return pts;
}

DefinedBrushTool withShape(std::vector<Vec2> shape) {
    DefinedBrushTool t;
    t.shape = std::move(shape);
    for (Vec2 v : t.shape) t.bounds.include(v);
    return t;
}

void expectPairWidths(const DefinedBrushTool& t, float lo, float hi) {
    ASSERT_EQ(t.shape.size() % 2, 0u);
    for (std::size_t e = 0; e + 1 < t.shape.size(); e += 2) {
        const float w = distance(t.shape[e], t.shape[e + 1]);
        EXPECT_GE(w, lo - tol::kGeometry) << e;
        EXPECT_LE(w, hi + tol::kGeometry) << e;
    }
}

TEST(DefinedBrushTool, ShapeIsAtLeastTwentyWideAndCentredOnThePosition) {
    DefinedBrushTool t;
    t.setPosition(5, 5, 5, 5);
    t.buildFromOutline(outlineOf(arc(), 3.0f));
    EXPECT_EQ(t.position, Vec2(0, 0));
    EXPECT_EQ(t.screenPosition, Vec2(0, 0));
    ASSERT_GT(t.shape.size(), 20u);
    expectPairWidths(t, 20.0f, 20.0f);
    EXPECT_NEAR(t.bounds.centre().x, 0.0f, tol::kGeometry);
    EXPECT_NEAR(t.bounds.centre().y, 0.0f, tol::kGeometry);
    for (Vec2 v : t.shape) EXPECT_TRUE(t.bounds.contains(v));

    // Wider strokes keep their own width.
    t.buildFromOutline(outlineOf(arc(), 15.0f));
    expectPairWidths(t, 30.0f, 30.0f);
}

TEST(DefinedBrushTool, AStrokeWithoutWidthStillGivesAFiniteShape) {
    // Radius 0: both vertices of every pair coincide and have no direction of their own.
    DefinedBrushTool t;
    t.buildFromOutline(outlineOf({{100, 100}, {150, 100}, {200, 100}}, 0.0f));
    ASSERT_GE(t.shape.size(), 6u);
    for (Vec2 v : t.shape) ASSERT_TRUE(isFinite(v));
    expectPairWidths(t, 20.0f, 20.0f);
    EXPECT_NEAR(t.bounds.maxY - t.bounds.minY, 20.0f, tol::kGeometry);  // across the line

    // A single point, and broken input: a NaN pair and a vertex without a partner are dropped.
    t.buildFromOutline(std::vector<float>{7, 7, 7, 7, 7, 7, 7, 7});
    expectPairWidths(t, 20.0f, 20.0f);
    t.buildFromOutline(std::vector<float>{0, 0, 0, 30, kNaN, 1, 2, 3, 10, 0, 10, 30, 5});
    EXPECT_EQ(t.shape.size(), 4u);
    t.buildFromOutline(std::vector<float>{});
    EXPECT_FALSE(t.hasShape());
    EXPECT_TRUE(t.area().isEmpty());
}

TEST(DefinedBrushTool, TriangleTestCountsEdgesAndIgnoresWinding) {
    DefinedBrushTool t = withShape({{0, 0}, {10, 0}, {0, 10}, {10, 10}});
    t.setPosition(100, 200, 0, 0);
    const Vec2 o(100, 200);
    for (Vec2 p : {Vec2(2, 2), Vec2(5, 0), Vec2(0, 5), Vec2(5, 5), Vec2(0, 0), Vec2(10, 0)}) {
        EXPECT_TRUE(t.containsInTriangle(o + p, 0)) << p.x << "," << p.y;
    }
    EXPECT_FALSE(t.containsInTriangle(o + Vec2(6, 6), 0));
    EXPECT_FALSE(t.containsInTriangle(o + Vec2(-0.01f, 5), 0));
    EXPECT_FALSE(t.containsInTriangle({2, 2}, 0));  // the shape sits at the position
    // Triangle 1 (10,0), (0,10), (10,10) winds the other way.
    EXPECT_TRUE(t.containsInTriangle(o + Vec2(8, 8), 1));
    EXPECT_TRUE(t.containsInTriangle(o + Vec2(5, 5), 1));
    EXPECT_FALSE(t.containsInTriangle(o + Vec2(2, 2), 1));
    // No triangle 2, none at -1; a NaN point is in no triangle.
    EXPECT_FALSE(t.containsInTriangle(o + Vec2(8, 8), 2));
    EXPECT_FALSE(t.containsInTriangle(o + Vec2(2, 2), -1));
    EXPECT_FALSE(t.containsInTriangle({kNaN, 205}, 0));
}

TEST(DefinedBrushTool, TrianglesWithoutAreaHoldNothing) {
    // Collinear and coincident vertices, as a stroke doubling back can leave; the points
    // lie on the degenerate triangles, where a division by zero would call them inside.
    const DefinedBrushTool line = withShape({{0, 0}, {5, 0}, {10, 0}});
    const DefinedBrushTool dot = withShape({{3, 3}, {3, 3}, {3, 3}});
    for (Vec2 p : {Vec2(5, 0), Vec2(2, 0), Vec2(20, 0), Vec2(0, 7)}) {
        EXPECT_FALSE(line.containsInTriangle(p, 0)) << p.x << "," << p.y;
    }
    EXPECT_FALSE(dot.containsInTriangle({3, 3}, 0));
    std::vector<ControlPoint> pts{{5, 0, 1, 1}, {3, 3, 1, 1}};
    DefinedBrushTool moving = line;
    moving.displace(1, 1, pts);
    EXPECT_EQ(pts[0].pos(), Vec2(5, 0));
    EXPECT_TRUE(moving.movedPoints.empty());
}

TEST(DefinedBrushTool, PointsInsideMoveByTheFullPushAndAreRecorded) {
    DefinedBrushTool t = withShape({{-10, -10}, {10, -10}, {-10, 10}, {10, 10}});
    t.setPosition(50, 50, 0, 0);
    std::vector<ControlPoint> pts{{50, 50, 2, 1}, {59, 41, 2, 1}, {60, 45, 2, 1}, {80, 80, 2, 1}};
    t.displace(2, -1, pts);
    const Vec2 push(2 * 2.15f, -1 * 2.15f);
    EXPECT_EQ(pts[0].pos(), Vec2(50, 50) + push);  // deep inside
    EXPECT_EQ(pts[1].pos(), Vec2(59, 41) + push);  // near the rim
    EXPECT_EQ(pts[2].pos(), Vec2(60, 45) + push);  // on the edge
    EXPECT_EQ(pts[3].pos(), Vec2(80, 80));
    EXPECT_EQ(pts[0].r, 2.0f);
    EXPECT_EQ(t.testedPoints, (std::vector<Vec2>{{50, 50}, {59, 41}, {60, 45}, {80, 80}}));
    EXPECT_EQ(t.movedPoints.size(), 3u);
    EXPECT_EQ(t.movedPoints[0], Vec2(50, 50) + push);

    // A non-finite drag moves nothing.
    std::vector<ControlPoint> again{{50, 50, 2, 1}};
    t.displace(kNaN, 1, again);
    EXPECT_EQ(again[0].pos(), Vec2(50, 50));
}

TEST(DefinedBrushTool, FewerThanThreeVerticesMoveNothing) {
    for (std::vector<Vec2> shape : {std::vector<Vec2>{}, std::vector<Vec2>{{-10, 0}, {10, 0}}}) {
        DefinedBrushTool t = withShape(shape);
        EXPECT_TRUE(t.area().isEmpty());
        std::vector<ControlPoint> pts{{0, 0, 1, 1}, {-10, 0, 1, 1}};
        t.displace(3, 3, pts);
        EXPECT_EQ(pts[0].pos(), Vec2(0, 0));
        EXPECT_EQ(pts[1].pos(), Vec2(-10, 0));
        EXPECT_TRUE(t.movedPoints.empty());
    }
}

}  // namespace
