#include <gtest/gtest.h>

#include <cmath>

#include "geometry/Stroke.h"
#include "support/Tolerance.h"

namespace {

TEST(StrokePoints, NewStrokesHaveNoRibsNoOutlineAndZoomLimitTwo) {
    const Stroke empty;
    EXPECT_TRUE(empty.points.empty());
    EXPECT_EQ(empty.bounds, Rect());
    EXPECT_EQ(empty.ribZoomLimit, 2.0f);

    const Stroke one(3, 4, 5, 0.5f);
    EXPECT_EQ(one.pointCount(), 1);
    EXPECT_TRUE(one.ribLists.empty());
    EXPECT_EQ(one.vertexCount, 0);
    EXPECT_TRUE(one.vertices.empty());
    EXPECT_EQ(one.bounds, Rect(3, 4, 3, 4));
    EXPECT_EQ(one.ribZoomLimit, 2.0f);
}

TEST(StrokePoints, AddPointHangsOneProvisionalRibOnTheNewPoint) {
    Stroke s(0, 0, 1, 1);
    s.addPoint(0, 10, 2, 0.5f);  // travelling up: left is -x
    ASSERT_EQ(s.pointCount(), 2);
    ASSERT_EQ(s.ribLists.size(), 1u);
    ASSERT_EQ(s.ribLists[0].size(), 1u);
    const Rib& rib = s.ribLists[0][0];
    EXPECT_EQ(rib.v0, Vec2(-2, 10));
    EXPECT_EQ(rib.v1, Vec2(2, 10));
    EXPECT_EQ(rib.t, 1.0f);
    EXPECT_EQ(rib.level, 10.0f);
    EXPECT_EQ(rib.p, 0u);
    EXPECT_EQ(s.bounds, Rect(0, 0, 0, 10));
}

TEST(StrokePoints, CopiesHaveNoOutlineUntilBuilt) {
    Stroke s(0, 0, 2, 1);
    s.addPoint(10, 5, 2, 1);
    const Stroke before(s);
    EXPECT_EQ(before.vertexCount, 0);
    s.buildOutline(1);
    ASSERT_GT(s.vertexCount, 0);

    Stroke after(s);
    EXPECT_EQ(after.vertexCount, 0);
    EXPECT_TRUE(after.vertices.empty() && after.colours.empty());
    EXPECT_EQ(after.points, s.points);
    EXPECT_EQ(after.ribLists.size(), s.ribLists.size());
    EXPECT_EQ(after.listNode, nullptr);
    after.buildOutline(1);
    EXPECT_EQ(after.vertices, s.vertices);

    Stroke assigned;
    assigned = s;
    EXPECT_EQ(assigned.vertexCount, 0);
}

TEST(StrokePoints, RemovingEndPointsKeepsBoundsUntilRecomputed) {
    Stroke s(0, 0, 1, 1);
    s.addPoint(10, 10, 1, 1);
    s.addPoint(20, 0, 1, 1);
    s.addPoint(30, 5, 1, 1);
    s.removeFirstPoint();
    s.removeLastPoint();
    EXPECT_EQ(s.pointCount(), 2);
    EXPECT_EQ(s.ribLists.size(), 1u);
    EXPECT_EQ(s.points.front().x, 10.0f);
    EXPECT_EQ(s.bounds, Rect(0, 0, 30, 10));
    s.recomputeBounds();
    EXPECT_EQ(s.bounds, Rect(10, 0, 20, 10));
}

TEST(StrokePoints, ReplacePointsPutsPlaceholdersBetweenTheKeptEnds) {
    Stroke s(0, 0, 1, 1);
    for (int i = 1; i <= 5; ++i) s.addPoint(10.0f * i, 0, 1, 1);
    s.buildAllRibs(1);
    const RibList tail = s.ribLists[4];
    s.replacePoints(1, 4, {{15, 3, 1, 1}, {25, 3, 1, 1}});
    ASSERT_EQ(s.pointCount(), 6);  // 0, 1, new, new, 4, 5
    EXPECT_EQ(s.points[1].x, 10.0f);
    EXPECT_EQ(s.points[2].x, 15.0f);
    EXPECT_EQ(s.points[4].x, 40.0f);
    ASSERT_EQ(s.ribLists.size(), 5u);
    EXPECT_TRUE(s.ribLists[1].empty());
    ASSERT_EQ(s.ribLists[2].size(), 1u);
    EXPECT_EQ(s.ribLists[2][0].v0, Vec2(15, 3));
    EXPECT_EQ(s.ribLists[2][0].v1, Vec2(15, 3));
    EXPECT_EQ(s.ribLists[4].size(), tail.size());

    s.replacePoints(1, 4, {});  // joins point 1 straight to the old point 4
    ASSERT_EQ(s.pointCount(), 4);
    EXPECT_EQ(s.points[2].x, 40.0f);
    ASSERT_EQ(s.ribLists.size(), 3u);
    EXPECT_TRUE(s.ribLists[1].empty());
    EXPECT_EQ(s.bounds, Rect(0, 0, 50, 0));  // not updated by replacePoints
}

TEST(StrokePoints, ResampleFollowsTheSplineAtChordSpacing) {
    Stroke s(0, 0, 2, 0.2f);
    s.addPoint(10, 0, 3, 0.6f);
    s.addPoint(33, 0, 5, 1.0f);  // chord 23
    s.addPoint(50, 20, 4, 1.0f);
    std::vector<ControlPoint> out;
    s.resampleSegment(1, 5, out);
    ASSERT_EQ(out.size(), 3u);  // N = 4: t = 0.25, 0.5, 0.75
    const SegmentSpline spline = SegmentSpline::from(s.segmentControlValues(1));
    for (std::size_t k = 0; k < 3; ++k) {
        const float t = 0.25f * static_cast<float>(k + 1);
        EXPECT_NEAR(out[k].x, spline.x.value(t), tol::kGeometry);
        EXPECT_NEAR(out[k].y, spline.y.value(t), tol::kGeometry);
        EXPECT_NEAR(out[k].r, spline.r.value(t), tol::kGeometry);
        EXPECT_EQ(out[k].a, 0.8f);
    }

    out.clear();
    s.resampleSegment(0, 5.1f, out);  // chord 10 < 2 * spacing: one point at t = 0.01
    ASSERT_EQ(out.size(), 1u);
    const SegmentSpline first = SegmentSpline::from(s.segmentControlValues(0));
    EXPECT_EQ(out[0].x, first.x.value(0.01f));
    EXPECT_EQ(out[0].a, 0.4f);
}

TEST(StrokePoints, FindRunInRectReportsTheFirstRunOnly) {
    Stroke s(0, 0, 1, 1);
    for (float x : {10.0f, 20.0f, 30.0f, 40.0f, 50.0f}) s.addPoint(x, 0, 1, 1);
    int first = -1, end = 5;
    EXPECT_TRUE(s.findRunInRect(Rect(45, -1, 60, 1), first, end));  // only the last segment
    EXPECT_EQ(first, 4);
    EXPECT_EQ(end, 5);  // unchanged

    first = -1;
    end = 5;
    EXPECT_TRUE(s.findRunInRect(Rect(12, -1, 25, 1), first, end));  // segments 1 and 2
    EXPECT_EQ(first, 1);
    EXPECT_EQ(end, 3);

    first = -1;
    EXPECT_FALSE(s.findRunInRect(Rect(0, 5, 50, 9), first, end));
    EXPECT_EQ(first, -1);
}

}  // namespace
