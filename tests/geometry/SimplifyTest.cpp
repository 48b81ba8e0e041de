#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <utility>

#include "geometry/Stroke.h"
#include "support/PenReplay.h"
#include "support/StrokeData.h"

namespace {

Stroke through(std::initializer_list<Vec2> positions) {
    Stroke s;
    for (const Vec2 p : positions) {
        s.points.push_back({p.x, p.y, 2, 1});
        s.bounds.include(p);
    }
    s.resetRibLists();
    return s;
}

std::vector<float> xs(const Stroke& s) {
    std::vector<float> out;
    for (const ControlPoint& p : s.points) out.push_back(p.x);
    return out;
}

TEST(Simplify, EvenlySpacedCollinearPointHasZeroDeviationAndGoes) {
    Stroke s = through({{0, 0}, {10, 0}, {20, 0}, {30, 0}, {40, 0}, {50, 0}, {60, 0}});
    EXPECT_EQ(s.pointDeviation(3), 0.0f);
    EXPECT_EQ(s.simplify(3, 4, 1, 1e-6f), 3);
    EXPECT_EQ(xs(s), (std::vector<float>{0, 10, 20, 40, 50, 60}));
}

TEST(Simplify, DeviationEqualToTheToleranceIsKept) {
    Stroke s = through({{0, 0}, {10, 0}, {20, 0}, {30, 2}, {40, 0}, {50, 0}, {60, 0}});
    const float d = s.pointDeviation(3);
    ASSERT_GT(d, 0.5f);
    Stroke atTolerance = s;
    EXPECT_EQ(atTolerance.simplify(3, 4, 1, d), 4);
    EXPECT_EQ(atTolerance.pointCount(), 7);
    EXPECT_EQ(s.simplify(3, 4, 1, std::nextafter(d, 1e9f)), 3);
    EXPECT_EQ(s.pointCount(), 6);
}

TEST(Simplify, TieRemovesTheEarlierCandidateFirst) {
    // A plateau of two mirror-image points: equal deviations (0.52); removing either one
    // raises the other's above the tolerance, so only the first goes.
    Stroke s = through({{-35, 0}, {-25, 0}, {-15, 0}, {-5, 1}, {5, 1}, {15, 0}, {25, 0}, {35, 0}});
    ASSERT_EQ(s.pointDeviation(3), s.pointDeviation(4));
    EXPECT_EQ(s.simplify(3, 5, 1, 1.0f), 4);
    EXPECT_EQ(xs(s), (std::vector<float>{-35, -25, -15, 5, 15, 25, 35}));
}

TEST(Simplify, RebuildsCurvedRibsFromFirstMinusOneAndExactBounds) {
    Stroke s(0, 0, 2, 1);
    for (int i = 1; i <= 12; ++i) s.addPoint(10.0f * i, i == 6 ? 40.0f : 0.0f, 2, 1);
    s.removeFirstPoint();  // bounds keep (0, 0) until recomputed
    s.addPoint(130, -5, 2, 1);
    for (const RibList& list : s.ribLists) ASSERT_EQ(list.size(), 1u);  // provisional

    const int last = s.simplify(4, s.pointCount() - 1, 1, 1.0f);
    EXPECT_EQ(last, s.pointCount() - 1);
    EXPECT_LT(s.pointCount(), 13);
    // Segments 0..2 keep their provisional ribs; 3..end are built from the curve.
    for (int i = 0; i < 3; ++i) EXPECT_EQ(s.ribLists[static_cast<std::size_t>(i)].size(), 1u);
    EXPECT_EQ(s.ribLists[2][0].v0, Vec2(40, 2));  // on point 3, x = 40 after the removal
    Stroke fresh = s;
    for (int i = 3; i < s.pointCount() - 1; ++i) {
        fresh.buildSegmentRibs(i, 1);
        const RibList& got = s.ribLists[static_cast<std::size_t>(i)];
        const RibList& want = fresh.ribLists[static_cast<std::size_t>(i)];
        ASSERT_EQ(got.size(), want.size()) << i;
        for (std::size_t j = 0; j < got.size(); ++j) {
            EXPECT_EQ(got[j].v0, want[j].v0);
            EXPECT_EQ(got[j].t, want[j].t);
        }
    }
    EXPECT_EQ(s.ribLists.size(), static_cast<std::size_t>(s.pointCount() - 1));
    Stroke check = s;
    check.recomputeBounds();
    EXPECT_EQ(s.bounds, check.bounds);
    EXPECT_EQ(s.bounds, Rect(10, -5, 130, 40));
}

TEST(Simplify, EmptyRangesAndNonPositiveToleranceRemoveNothing) {
    Stroke s = through({{0, 0}, {10, 0}, {20, 0}, {30, 0}, {40, 0}});
    Stroke a = s;
    EXPECT_EQ(a.simplify(1, 4, 1, 0.0f), 4);
    EXPECT_EQ(a.pointCount(), 5);
    for (const RibList& list : a.ribLists) EXPECT_FALSE(list.empty());  // all rebuilt

    Stroke b = s;  // last <= first: rebuilds segments first-1 .. last-1 only
    EXPECT_EQ(b.simplify(3, 3, 1, 5.0f), 3);
    EXPECT_EQ(b.pointCount(), 5);
    EXPECT_FALSE(b.ribLists[2].empty());
    EXPECT_TRUE(b.ribLists[1].empty());
    EXPECT_TRUE(b.ribLists[3].empty());

    Stroke c = s;
    EXPECT_EQ(c.simplify(1, 4, 1, std::numeric_limits<float>::quiet_NaN()), 4);
    EXPECT_EQ(c.pointCount(), 5);
}

TEST(Simplify, TipOfABackAndForthMovementIsKeptAndNothingGoesNonFinite) {
    // The tip's neighbours coincide: no chord, NaN deviation, never below a tolerance.
    Stroke s = through({{0, 0}, {10, 0}, {20, 0}, {10, 0}, {0, 5}, {-10, 5}, {-20, 5}});
    ASSERT_TRUE(std::isnan(s.pointDeviation(2)));
    Stroke tipOnly = s;
    EXPECT_EQ(tipOnly.simplify(2, 3, 1, 1e30f), 3);
    EXPECT_EQ(tipOnly.pointCount(), 7);

    s.simplify(1, 6, 1, 100.0f);
    s.buildOutline(1);
    for (float v : s.vertices) ASSERT_TRUE(std::isfinite(v));
}

}  // namespace

namespace {

// The removal loop in its plainest form: rescan every deviation for the smallest one below
// the tolerance, erase, refresh the two candidates on each side. simplify must remove
// exactly the same points in the same order, only faster.
std::vector<ControlPoint> plainSimplify(Stroke s, int first, int last, float tolerance) {
    if (first < 1) first = 1;
    std::vector<float> v;
    for (int k = first; k < last; ++k) v.push_back(s.pointDeviation(k));
    for (;;) {
        float cur = tolerance;
        int best = -1;
        for (int j = 0; j < static_cast<int>(v.size()); ++j) {
            if (v[static_cast<std::size_t>(j)] < cur) {
                cur = v[static_cast<std::size_t>(j)];
                best = j;
            }
        }
        if (best < 0) break;
        s.points.erase(s.points.begin() + first + best);
        v.erase(v.begin() + best);
        for (int j = best - 2; j <= best + 1; ++j) {
            if (j >= 0 && j < static_cast<int>(v.size())) {
                v[static_cast<std::size_t>(j)] = s.pointDeviation(first + j);
            }
        }
    }
    return s.points;
}

TEST(Simplify, RemovesExactlyWhatThePlainLoopRemoves) {
    std::mt19937 rng(11);
    std::vector<Stroke> strokes;
    for (const auto& rec : strokedata::loadPageStrokes()) {
        PenReplay::Options raw;
        raw.smoothness = 0.0f;
        raw.buildOutline = false;
        strokes.push_back(PenReplay::replay(rec, raw));
    }
    // Random walks on a coarse grid: repeated points, collinear runs and exact ties.
    for (int w = 0; w < 40; ++w) {
        Stroke s(100, 100, 2, 1);
        std::uniform_int_distribution<int> step(-2, 2);
        for (int i = 0; i < 60; ++i) {
            const ControlPoint& p = s.points.back();
            s.addPoint(p.x + 4.0f * static_cast<float>(step(rng)),
                       p.y + 4.0f * static_cast<float>(step(rng)), 2, 1);
        }
        strokes.push_back(s);
    }
    for (const Stroke& stroke : strokes) {
        const int n = stroke.pointCount();
        if (n < 3) continue;
        for (float tolerance : {0.5f, 1.0f, 3.0f, 10.0f}) {
            std::uniform_int_distribution<int> pick(1, n - 1);
            const int a = pick(rng), b = pick(rng);
            for (auto [first, last] :
                 {std::pair{1, n - 1}, std::pair{std::min(a, b), std::max(a, b)}}) {
                Stroke s = stroke;
                const int end = s.simplify(first, last, 1, tolerance);
                const std::vector<ControlPoint> want =
                    plainSimplify(stroke, first, last, tolerance);
                ASSERT_EQ(s.points, want)
                    << "tolerance " << tolerance << " range " << first << ".." << last;
                ASSERT_EQ(end, last - (n - s.pointCount()));
                ASSERT_EQ(s.ribLists.size(), static_cast<std::size_t>(s.pointCount() - 1));
            }
        }
    }
}

}  // namespace
