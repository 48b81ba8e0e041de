#pragma once

// The document's invariants, checked whole after edits: every listed stroke has one (a dot)
// or more finite points inside its bounds and finite ribs and outline; the index holds every
// in-page segment (a dot's point) of every stroke outside `deformed` exactly once, with the
// stroke's current end points, in a node that contains it (straddling the centre above the
// leaves), and nothing else; `selection` and `deformed` point only at listed strokes; the
// strokes found in view are those a walk over the list finds, in list order.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>
#include <vector>

#include "document/Drawing.h"
#include "document/StrokesInView.h"

inline void expectStrokeSound(const Stroke& s) {
    ASSERT_GE(s.pointCount(), 1) << "a listed stroke without points";
    for (const ControlPoint& p : s.points) {
        ASSERT_TRUE(isFinite(p.pos()) && std::isfinite(p.r) && std::isfinite(p.a))
            << "non-finite point";
        ASSERT_TRUE(s.bounds.contains(p.pos())) << "stale stroke bounds";
    }
    for (const auto& list : s.ribLists)
        for (const Rib& rib : list) ASSERT_TRUE(isFinite(rib.v0) && isFinite(rib.v1));
    ASSERT_LE(static_cast<std::size_t>(s.vertexCount) * 2, s.vertices.size());
    ASSERT_LE(static_cast<std::size_t>(s.vertexCount) * 4, s.colours.size());
    for (int i = 0; i < s.vertexCount * 2; ++i) ASSERT_TRUE(std::isfinite(s.vertices[i]));
    for (int i = 0; i < s.vertexCount * 4; ++i) ASSERT_TRUE(std::isfinite(s.colours[i]));
}

// strokesInView against the walk it replaces, for the view and a few other regions.
inline void expectViewFindsWhatAWalkFinds(const Drawing& d) {
    const Rect regions[] = {d.visibleRegion(),        Rect(0, 0, 900, 900),
                            Rect(100, 100, 160, 130), Rect(450, 450, 450, 450),
                            Rect(-500, -50, 20, 950), Rect(-1e7f, -1e7f, 1e7f, 1e7f)};
    std::vector<Stroke*> found;
    for (const Rect& r : regions) {
        std::vector<Stroke*> walked;
        for (Stroke& s : d.strokes)
            if (s.bounds.overlaps(r)) walked.push_back(&s);
        strokesInView(d, r, found);
        ASSERT_EQ(found, walked) << "region " << r.minX << " " << r.minY << " " << r.maxX << " "
                                 << r.maxY;
    }
}

inline void expectDocumentSound(const Drawing& d) {
    ASSERT_NO_FATAL_FAILURE(expectViewFindsWhatAWalkFinds(d));
    const Rect page(0, 0, Drawing::kCanvasSize, Drawing::kCanvasSize);
    using Key = std::tuple<const Stroke*, int>;
    std::vector<Key> want, got;
    for (const Stroke& s : d.strokes) {
        ASSERT_NO_FATAL_FAILURE(expectStrokeSound(s));
        // Strokes under deformation are out of the index until the release.
        if (std::find(d.deformed.begin(), d.deformed.end(), &s) != d.deformed.end()) continue;
        for (int i = 0; i + 1 < std::max(s.pointCount(), 2); ++i) {
            const int end = std::min(i + 1, s.pointCount() - 1);
            if (page.contains(s.points[i].pos()) && page.contains(s.points[end].pos())) {
                want.emplace_back(&s, i);
            }
        }
    }
    d.index.forEachNode([&](const QuadNode& node, std::uint32_t) {
        for (const SegmentEntry& e : node.entries) {
            ASSERT_TRUE(d.strokes.contains(e.stroke)) << "entry of a deleted stroke";
            const int end = std::min(e.segment + 1, e.stroke->pointCount() - 1);
            ASSERT_TRUE(end > e.segment || (end == 0 && e.segment == 0));
            ASSERT_EQ(e.a, e.stroke->points[e.segment].pos()) << "stale entry";
            ASSERT_EQ(e.b, e.stroke->points[end].pos()) << "stale entry";
            ASSERT_TRUE(node.bounds.contains(e.a) && node.bounds.contains(e.b));
            if (!node.isLeaf()) {
                ASSERT_NE(quadrantOf(e.a, node.centre()), quadrantOf(e.b, node.centre()))
                    << "an entry that fits a child stayed above it";
            }
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
    for (const Stroke* s : d.deformed) ASSERT_TRUE(d.strokes.contains(s)) << "dangling deformed";
    for (Vec2 c : d.selectionBox.corners) ASSERT_TRUE(isFinite(c));
    for (Vec2 v : d.selectionBox.diagonals) ASSERT_TRUE(isFinite(v));
}
