// buildOutline reuses the unchanged start of the previous outline; the result must be
// bit-identical to building from scratch, whatever changed in between.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "geometry/Stroke.h"
#include "support/PenReplay.h"
#include "support/StrokeData.h"

namespace {

bool sameBits(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

// Builds the outline of a copy (a copy has none, so it is built in full) and compares;
// with checkBounds also the bounds with a full recomputation.
::testing::AssertionResult matchesFullBuild(const Stroke& s, float zoom, bool checkBounds = true) {
    Stroke fresh(s);
    fresh.buildOutline(zoom);
    if (fresh.vertexCount != s.vertexCount) {
        return ::testing::AssertionFailure()
               << "vertexCount " << s.vertexCount << " vs full " << fresh.vertexCount;
    }
    if (!sameBits(fresh.vertices, s.vertices)) return ::testing::AssertionFailure() << "vertices";
    if (!sameBits(fresh.colours, s.colours)) return ::testing::AssertionFailure() << "colours";
    fresh.recomputeBounds();
    if (checkBounds && !(fresh.bounds == s.bounds))
        return ::testing::AssertionFailure() << "bounds";
    return ::testing::AssertionSuccess();
}

TEST(IncrementalOutline, PenDrawingMatchesFullBuildsAtEveryStep) {
    const PenReplay::Brush brush = [](const strokedata::Sample& s) {
        return PenReplay::Dab{6.0f * s.pressure, 0.3f + 0.7f * s.pressure};
    };
    int steps = 0;
    for (const auto& rec : strokedata::loadPageStrokes()) {
        for (float zoom : {1.0f, 4.0f}) {
            PenReplay::Options options;
            options.zoom = zoom;
            PenReplay pen(options, brush);
            pen.begin(rec.samples[0]);
            ASSERT_TRUE(matchesFullBuild(pen.stroke(), zoom));
            for (std::size_t i = 1; i < rec.samples.size(); ++i) {
                if (!pen.extend(rec.samples[i])) continue;
                ++steps;
                ASSERT_TRUE(matchesFullBuild(pen.stroke(), zoom)) << rec.name() << " sample " << i;
            }
            pen.end();
            ASSERT_TRUE(matchesFullBuild(pen.stroke(), zoom)) << rec.name();
        }
    }
    EXPECT_GT(steps, 2000);
}

TEST(IncrementalOutline, EveryEditingOperationInvalidatesWhatItChanges) {
    std::mt19937 rng(2026);
    const auto recs = strokedata::loadPageStrokes();
    for (const auto& rec : recs) {
        Stroke s = PenReplay::replay(rec);
        if (s.pointCount() < 6) continue;
        float zoom = 1.0f;
        s.buildOutline(zoom);
        for (int step = 0; step < 60; ++step) {
            const int n = s.pointCount();
            auto pick = [&](int lo, int hi) {
                return std::uniform_int_distribution<int>(lo, std::max(lo, hi))(rng);
            };
            const int op = pick(0, 9);
            if (op == 0) {
                const ControlPoint& last = s.points.back();
                s.addPoint(last.x + static_cast<float>(pick(-8, 8)),
                           last.y + static_cast<float>(pick(-8, 8)), 2.5f, 0.7f);
            } else if (op == 1 && n > 3) {
                s.simplify(pick(1, n - 2), n - 1, zoom, 1.0f);
            } else if (op == 2 && n > 4) {
                s.removeLastPoint();
            } else if (op == 3 && n > 4) {
                s.removeFirstPoint();
            } else if (op == 4 && n > 4) {
                const int first = pick(0, n - 3);
                const int last = pick(first + 1, std::min(n - 1, first + 4));
                std::vector<ControlPoint> moved;
                for (int i = first; i < last; ++i) s.resampleSegment(i, 5, moved);
                for (ControlPoint& p : moved) p.y += 3.0f;
                s.replacePoints(first, last, moved);
                s.buildAllRibs(zoom);
            } else if (op == 5 && n > 1) {
                s.buildSegmentRibs(pick(0, n - 2), zoom);
            } else if (op == 6) {
                zoom = step % 2 == 0 ? 1.0f : 3.5f;
                s.rebuildRibsForZoom(zoom);
            } else if (op == 7) {
                // A transform that writes points directly, as selection moves do.
                for (ControlPoint& p : s.points) p.x += 1.5f;
                s.recomputeBounds();
                s.invalidateDerived();
            } else if (op == 8 && n > 2) {
                s.points[static_cast<std::size_t>(pick(0, n - 1))].a = 0.25f;
                s.invalidateDerived();
            } else {
                // Rebuild with nothing changed.
            }
            s.buildOutline(zoom);
            // Only simplify and recomputeBounds promise exact bounds.
            ASSERT_TRUE(matchesFullBuild(s, zoom, op == 1 || op == 7))
                << rec.name() << " step " << step << " op " << op;
        }
    }
}

}  // namespace
