#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "geometry/SegmentSubdivision.h"
#include "geometry/Stroke.h"
#include "support/StripCoverage.h"
#include "support/Tolerance.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

Vec2 vertexAt(const Stroke& s, int i) {
    return {s.vertices[static_cast<std::size_t>(2 * i)],
            s.vertices[static_cast<std::size_t>(2 * i + 1)]};
}
float alphaAt(const Stroke& s, int i) { return s.colours[static_cast<std::size_t>(4 * i + 3)]; }

Stroke strokeThrough(std::initializer_list<ControlPoint> pts) {
    Stroke s;
    for (const ControlPoint& p : pts) {
        s.points.push_back(p);
        s.bounds.include(p.pos());
    }
    s.resetRibLists();
    return s;
}

bool allFinite(const std::vector<float>& v) {
    for (float f : v) {
        if (!std::isfinite(f)) return false;
    }
    return true;
}

TEST(StrokeOutline, OnePointIsAFullDiscOfTwentyThreeVertices) {
    Stroke s(100, 200, 7, 0.4f);
    s.buildOutline(1);
    ASSERT_EQ(s.vertexCount, 23);
    ASSERT_EQ(s.vertices.size(), 46u);
    ASSERT_EQ(s.colours.size(), 92u);
    for (int i = 0; i < 23; ++i) {
        EXPECT_NEAR(distance(vertexAt(s, i), {100, 200}), 7.0f, tol::kGeometry) << i;
        EXPECT_EQ(alphaAt(s, i), 0.4f);
        EXPECT_EQ(s.colours[static_cast<std::size_t>(4 * i)], 0.0f);
    }
    // The two half discs cover the whole disc (a decagon inscribed in it).
    const float inner = 7.0f * std::cos(3.14159265f / 10) - 0.01f;
    for (int k = 0; k < 16; ++k) {
        const float angle = static_cast<float>(k) * 0.3927f;
        const Vec2 p(100 + inner * std::cos(angle), 200 + inner * std::sin(angle));
        EXPECT_EQ(strip::distanceToStrip(s.vertices, p), 0.0) << k;
    }
}

TEST(StrokeOutline, ProvisionalRibGivesTwentyFiveVerticesOnTheNewPoint) {
    Stroke s(0, 0, 2, 1);
    s.addPoint(10, 0, 3, 0.5f);
    s.buildOutline(1);
    ASSERT_EQ(s.vertexCount, 25);
    // cap (10), B A B (3), the rib pair, end cap (10)
    EXPECT_EQ(vertexAt(s, 13), Vec2(10, 3));
    EXPECT_EQ(vertexAt(s, 14), Vec2(10, -3));
    EXPECT_EQ(alphaAt(s, 13), 0.5f);  // opacity at t = 1
    EXPECT_EQ(alphaAt(s, 24), 0.5f);  // end cap: the last point's opacity
    EXPECT_EQ(alphaAt(s, 0), 1.0f);
    // Start cap bulges backward (x < 0), end cap forward (x > 10).
    for (int i = 2; i < 10; i += 2) EXPECT_LT(vertexAt(s, i).x, 0.0f);
    for (int i = 17; i < 25; i += 2) EXPECT_GT(vertexAt(s, i).x, 10.0f);
}

TEST(StrokeOutline, EvenlySpacedCollinearInteriorSegmentsHaveOneRib) {
    Stroke s = strokeThrough({{0, 0, 2, 1},
                              {10, 5, 2, 1},
                              {20, 10, 2, 1},
                              {30, 15, 2, 1},
                              {40, 20, 2, 1},
                              {50, 25, 2, 1}});
    for (float zoom : {1.0f, 4.0f, 10.0f}) {
        s.buildAllRibs(zoom);
        for (int i = 1; i <= 3; ++i) {
            const RibList& list = s.ribLists[static_cast<std::size_t>(i)];
            ASSERT_EQ(list.size(), 1u) << "segment " << i << " zoom " << zoom;
            EXPECT_EQ(list[0].t, 1.0f);
            EXPECT_EQ(list[0].level, 10.0f);
        }
        // The end segments start or stop at a repeated point: unevenly traversed.
        EXPECT_GT(s.ribLists.front().size(), 1u);
    }
}

TEST(StrokeOutline, ZoomOneShowsRibsWhoseWholeChainReachesTheThreshold) {
    // root t=1; a (t .5, level 2) under root; b (t .75, level 1) under a;
    // c (t .25, level 1) under root; d (t .375, level 5) under c.
    RibList list;
    auto rib = [](float t, float level) {
        Rib r;
        r.t = t;
        r.level = level;
        return r;
    };
    insertRib(list, rib(1, 10));
    insertRib(list, rib(0.5f, 2));
    insertRib(list, rib(0.25f, 1));
    insertRib(list, rib(0.375f, 5));
    insertRib(list, rib(0.75f, 1));
    ASSERT_EQ(list[3].p, 2u);  // d hangs under c
    ASSERT_EQ(list[4].p, 1u);  // b hangs under a

    auto ts = [&](float zoom) {
        std::vector<const Rib*> out;
        selectRibs(list, zoom, out);
        std::vector<float> t;
        for (const Rib* r : out) t.push_back(r->t);
        return t;
    };
    EXPECT_EQ(ts(1), (std::vector<float>{0.5f, 1}));  // c hides d although d's level is 5
    EXPECT_EQ(ts(1.3f), (std::vector<float>{0.25f, 0.375f, 0.5f, 0.75f, 1}));
    EXPECT_EQ(ts(0.1f), (std::vector<float>{1}));  // the end rib is always shown
}

TEST(StrokeOutline, CurvedSegmentRibsComeOutInIncreasingT) {
    Stroke s = strokeThrough({{0, 0, 3, 1}, {40, 60, 3, 1}, {80, -20, 3, 1}, {120, 50, 3, 1}});
    s.buildAllRibs(4);
    for (const RibList& list : s.ribLists) {
        for (float zoom : {0.5f, 1.0f, 4.0f, 100.0f}) {
            std::vector<const Rib*> out;
            selectRibs(list, zoom, out);
            ASSERT_FALSE(out.empty());
            EXPECT_EQ(out.back()->t, 1.0f);
            for (std::size_t i = 1; i < out.size(); ++i) EXPECT_LT(out[i - 1]->t, out[i]->t);
        }
        std::vector<const Rib*> all;
        selectRibs(list, 100, all);
        EXPECT_EQ(all.size(), list.size());
    }
}

TEST(StrokeOutline, OpacityIsLinearInTWhileTheRibsFollowTheSpline) {
    Stroke s = strokeThrough({{0, 0, 2, 0.2f}, {30, 40, 6, 1.0f}, {60, 0, 2, 1.0f}});
    s.buildAllRibs(4);
    ASSERT_GT(s.ribLists[0].size(), 3u);
    s.buildOutline(4);
    std::vector<const Rib*> shown;
    selectRibs(s.ribLists[0], 4, shown);
    ASSERT_GT(shown.size(), 3u);
    std::vector<const Rib*> second;
    selectRibs(s.ribLists[1], 4, second);
    ASSERT_EQ(s.vertexCount, 13 + 2 * static_cast<int>(shown.size() + second.size()) + 10);
    for (std::size_t j = 0; j < shown.size(); ++j) {
        const int v = 13 + 2 * static_cast<int>(j);
        const float expected = 0.2f + (1.0f - 0.2f) * shown[j]->t;
        EXPECT_EQ(alphaAt(s, v), expected);
        EXPECT_EQ(alphaAt(s, v + 1), expected);
        EXPECT_EQ(vertexAt(s, v), shown[j]->v0);
        // Rib width follows the radius spline, not the linear opacity.
        const SegmentSpline spline = SegmentSpline::from(s.segmentControlValues(0));
        EXPECT_NEAR(distance(shown[j]->v0, shown[j]->v1), 2 * spline.r.value(shown[j]->t),
                    tol::kGeometry);
    }
}

TEST(StrokeOutline, RebuildForZoomOnlyBeyondTheLimitAndNeverTheLastSegment) {
    Stroke s(0, 0, 3, 1);
    for (float x : {20.0f, 40.0f, 60.0f}) s.addPoint(x, x * x / 40, 3, 1);
    s.rebuildRibsForZoom(1.5f);
    EXPECT_EQ(s.ribZoomLimit, 2.0f);
    EXPECT_EQ(s.ribLists[0].size(), 1u);  // still provisional

    s.rebuildRibsForZoom(3);
    EXPECT_EQ(s.ribZoomLimit, 4.0f);
    EXPECT_GT(s.ribLists[0].size(), 1u);
    ASSERT_EQ(s.ribLists[2].size(), 1u);  // the last segment keeps its provisional rib
    EXPECT_EQ((s.ribLists[2][0].v0 + s.ribLists[2][0].v1) * 0.5f, Vec2(60, 90));

    const RibList before = s.ribLists[0];
    s.rebuildRibsForZoom(3.5f);  // not beyond 4
    EXPECT_EQ(s.ribLists[0].size(), before.size());
}

TEST(StrokeOutline, ExportHasTheOutlineRibsWithoutCaps) {
    Stroke s = strokeThrough({{0, 0, 3, 0.5f}, {40, 60, 4, 1}, {80, -20, 2, 0.3f}});
    s.buildAllRibs(1);
    s.buildOutline(1);
    std::vector<float> positions{7.0f};  // appends after what is there
    std::vector<float> opacities;
    s.buildExportOutline(1, positions, opacities);
    positions.erase(positions.begin());
    ASSERT_EQ(opacities.size(), (positions.size() - 4) / 4);
    ASSERT_EQ(static_cast<int>(positions.size()) / 2, s.vertexCount - 20 - 1);
    // Start pair: A, B of the start cap; then exactly the strip's rib vertices.
    EXPECT_EQ(positions[0], s.vertices[0]);
    EXPECT_EQ(positions[1], s.vertices[1]);
    for (std::size_t i = 4; i < positions.size(); ++i) EXPECT_EQ(positions[i], s.vertices[22 + i]);
    for (std::size_t j = 0; j < opacities.size(); ++j) {
        EXPECT_EQ(opacities[j], alphaAt(s, 13 + 2 * static_cast<int>(j)));
    }
}

TEST(StrokeOutline, CoincidentNeighboursStayFiniteEverywhere) {
    // Duplicates as a file or a back-and-forth pen produces them, including at both ends.
    Stroke s = strokeThrough({{100, 100, 3, 1},
                              {100, 100, 3, 1},
                              {110, 100, 3, 0.5f},
                              {110, 100, 4, 0.5f},
                              {110, 100, 4, 0.5f},
                              {120, 105, 3, 1},
                              {120, 105, 3, 1}});
    for (float zoom : {1.0f, 4.0f, 10.0f}) {
        s.buildAllRibs(zoom);
        s.buildOutline(zoom);
        EXPECT_TRUE(allFinite(s.vertices)) << zoom;
        EXPECT_TRUE(allFinite(s.colours)) << zoom;
        std::vector<float> positions, opacities;
        s.buildExportOutline(zoom, positions, opacities);
        EXPECT_TRUE(allFinite(positions));
    }
    std::vector<ControlPoint> resampled;
    for (int i = 0; i + 1 < s.pointCount(); ++i) s.resampleSegment(i, 5, resampled);
    for (const ControlPoint& p : resampled) EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));

    // A duplicate appended by the pen takes the preceding direction: ribs across (1, 0).
    Stroke pen(0, 0, 2, 1);
    pen.addPoint(10, 0, 2, 1);
    pen.addPoint(10, 0, 2, 1);
    EXPECT_EQ(pen.ribLists[1][0].v0, Vec2(10, 2));
    EXPECT_EQ(pen.ribLists[1][0].v1, Vec2(10, -2));
}

TEST(StrokeOutline, StrokeOfOneRepeatedPointIsStillADisc) {
    Stroke s(50, 50, 4, 1);
    s.addPoint(50, 50, 4, 1);
    s.addPoint(50, 50, 4, 1);
    s.buildOutline(1);
    ASSERT_TRUE(allFinite(s.vertices));
    s.buildAllRibs(1);
    s.buildOutline(1);
    ASSERT_TRUE(allFinite(s.vertices));
    for (int i = 0; i < s.vertexCount; ++i) {
        EXPECT_NEAR(distance(vertexAt(s, i), {50, 50}), 4.0f, tol::kGeometry);
    }
    EXPECT_EQ(strip::distanceToStrip(s.vertices, {50, 53.5f}), 0.0);
    EXPECT_EQ(strip::distanceToStrip(s.vertices, {50, 46.5f}), 0.0);
}

TEST(StrokeOutline, HugeOrNonFiniteCoordinatesStayBounded) {
    const std::size_t maxRibs = std::size_t{1} << kMaxSubdivisionDepth;
    for (float big : {1e30f, 3e38f, std::numeric_limits<float>::infinity(), kNaN}) {
        Stroke s =
            strokeThrough({{0, 0, 1, 1}, {big, 5, 1e30f, 1}, {7, -big, 1, 1}, {big, big, 1, 1}});
        s.buildAllRibs(10);
        for (const RibList& list : s.ribLists) {
            EXPECT_GE(list.size(), 1u);
            EXPECT_LE(list.size(), maxRibs) << big;
        }
        s.buildOutline(10);
        EXPECT_EQ(s.vertices.size(), static_cast<std::size_t>(s.vertexCount) * 2);
        s.rebuildRibsForZoom(1e9f);
        s.simplify(1, s.pointCount() - 1, 10, 1);
        std::vector<ControlPoint> resampled;
        s.resampleSegment(0, 5, resampled);
        s.resampleSegment(1, 1e-30f, resampled);
        EXPECT_LE(resampled.size(), 8192u);
        int first = -1, end = s.pointCount() - 1;
        s.findRunInRect(Rect(0, 0, 10, 10), first, end);
    }
}

}  // namespace
