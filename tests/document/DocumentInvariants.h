#pragma once

// Whole-document checks for tests that edit strokes in place (selection transforms,
// lassos): the index must hold every in-page segment of every listed stroke exactly once,
// with the stroke's current end points, and nothing else.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>
#include <vector>

#include "document/Drawing.h"

inline void expectDocumentSound(const Drawing& d) {
    const Rect page(0, 0, Drawing::kCanvasSize, Drawing::kCanvasSize);
    using Key = std::tuple<const Stroke*, int>;
    std::vector<Key> want, got;
    for (const Stroke& s : d.strokes) {
        for (const ControlPoint& p : s.points) {
            ASSERT_TRUE(isFinite(p.pos())) << "non-finite point";
            ASSERT_TRUE(s.bounds.contains(p.pos())) << "stale stroke bounds";
        }
        for (int i = 0; i < s.vertexCount * 2; ++i) ASSERT_TRUE(std::isfinite(s.vertices[i]));
        for (int i = 0; i + 1 < s.pointCount(); ++i) {
            if (page.contains(s.points[i].pos()) && page.contains(s.points[i + 1].pos())) {
                want.emplace_back(&s, i);
            }
        }
    }
    d.index.forEachNode([&](const QuadNode& node, std::uint32_t) {
        for (const SegmentEntry& e : node.entries) {
            ASSERT_TRUE(d.strokes.contains(e.stroke)) << "entry of a deleted stroke";
            ASSERT_LT(e.segment + 1, e.stroke->pointCount());
            ASSERT_EQ(e.a, e.stroke->points[e.segment].pos()) << "stale entry";
            ASSERT_EQ(e.b, e.stroke->points[e.segment + 1].pos()) << "stale entry";
            got.emplace_back(e.stroke, e.segment);
        }
    });
    std::sort(want.begin(), want.end());
    std::sort(got.begin(), got.end());
    ASSERT_EQ(got, want);  // each segment exactly once

    for (const Stroke* s : d.selection) {
        ASSERT_TRUE(d.strokes.contains(s)) << "dangling selection pointer";
        ASSERT_EQ(std::count(d.selection.begin(), d.selection.end(), s), 1);
    }
    for (Vec2 c : d.selectionBox.corners) ASSERT_TRUE(isFinite(c));
    for (Vec2 v : d.selectionBox.diagonals) ASSERT_TRUE(isFinite(v));
}
