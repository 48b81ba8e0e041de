// Properties of outlines and simplification over real recorded pen strokes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include "geometry/SegmentSubdivision.h"
#include "geometry/Stroke.h"
#include "support/PenReplay.h"
#include "support/StripCoverage.h"
#include "support/StrokeData.h"

namespace {

const std::vector<strokedata::RecordedStroke>& pageStrokes() {
    static const std::vector<strokedata::RecordedStroke> strokes = strokedata::loadPageStrokes();
    return strokes;
}

// Every accepted pen point (4 units of travel apart) without any simplification.
Stroke unsimplified(const strokedata::RecordedStroke& rec) {
    PenReplay::Options options;
    options.smoothness = 0.0f;  // simplify removes nothing
    options.buildOutline = false;
    return PenReplay::replay(rec, options);
}

TEST(RecordedStrokes, LoadAllNineteenStrokesOntoThePage) {
    ASSERT_EQ(pageStrokes().size(), 19u);
    std::size_t samples = 0;
    for (const auto& rec : pageStrokes()) {
        samples += rec.samples.size();
        for (const auto& s : rec.samples) {
            ASSERT_TRUE(s.x >= 0 && s.x <= 900 && s.y >= 0 && s.y <= 900) << rec.name();
        }
    }
    EXPECT_EQ(samples, 4012u);
}

TEST(RecordedStrokes, SubdivisionBoundNeverBitesUpToZoomTen) {
    int minimalDepth = 0;
    for (const auto& rec : pageStrokes()) {
        for (const Stroke& s : {unsimplified(rec), PenReplay::replay(rec)}) {
            for (int i = 0; i + 1 < s.pointCount(); ++i) {
                const SegmentSpline sp = SegmentSpline::from(s.segmentControlValues(i));
                SegmentSamples bounded, free;
                subdivideSegment(sp.x, sp.y, 10, bounded);
                subdivideSegment(sp.x, sp.y, 10, free, 60);
                ASSERT_EQ(bounded.ts, free.ts) << rec.name() << " segment " << i;
                while (true) {
                    SegmentSamples limited;
                    subdivideSegment(sp.x, sp.y, 10, limited, minimalDepth);
                    if (limited.ts == free.ts) break;
                    ++minimalDepth;
                }
            }
        }
    }
    EXPECT_LE(minimalDepth, 5);  // recorded strokes

    // Any curve whose control points lie in the page needs at most 7 levels at zoom 10.
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> coordinate(0.0f, 900.0f);
    for (int k = 0; k < 20000; ++k) {
        SegmentControlValues v;
        for (std::size_t j = 0; j < 4; ++j) {
            v.x[j] = coordinate(rng);
            v.y[j] = coordinate(rng);
        }
        const SegmentSpline sp = SegmentSpline::from(v);
        SegmentSamples bounded, seven;
        subdivideSegment(sp.x, sp.y, 10, bounded);
        subdivideSegment(sp.x, sp.y, 10, seven, 7);
        ASSERT_EQ(bounded.ts, seven.ts) << k;
    }
}

// The curve of a stroke sampled densely, as a polyline.
std::vector<Vec2> centreCurve(const Stroke& s, int perSegment) {
    std::vector<Vec2> out;
    for (int i = 0; i + 1 < s.pointCount(); ++i) {
        const SegmentSpline sp = SegmentSpline::from(s.segmentControlValues(i));
        for (int k = 0; k < perSegment; ++k) {
            const float t = static_cast<float>(k) / static_cast<float>(perSegment);
            out.push_back({sp.x.value(t), sp.y.value(t)});
        }
        if (i + 2 == s.pointCount()) out.push_back({sp.x.value(1), sp.y.value(1)});
    }
    return out;
}

double distanceToPolyline(const std::vector<Vec2>& line, Vec2 p) {
    double best = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i + 1 < line.size(); ++i) {
        const double dx = line[i + 1].x - line[i].x, dy = line[i + 1].y - line[i].y;
        const double len2 = dx * dx + dy * dy;
        double t = len2 > 0 ? ((p.x - line[i].x) * dx + (p.y - line[i].y) * dy) / len2 : 0.0;
        t = std::clamp(t, 0.0, 1.0);
        best = std::min(best, std::hypot(p.x - (line[i].x + t * dx), p.y - (line[i].y + t * dy)));
    }
    return best;
}

TEST(RecordedStrokes, OutlinesAreFiniteWithInterpolatedOpacity) {
    // Opacity from pressure so that it varies along the stroke.
    const PenReplay::Brush brush = [](const strokedata::Sample& s) {
        return PenReplay::Dab{5.0f * s.pressure, 0.2f + 0.8f * s.pressure};
    };
    for (const auto& rec : pageStrokes()) {
        for (float zoom : {0.5f, 1.0f, 4.0f, 10.0f}) {
            Stroke s = PenReplay::replay(rec, {}, brush);
            s.buildAllRibs(zoom);
            s.buildOutline(zoom);
            ASSERT_EQ(s.vertices.size(), 2 * static_cast<std::size_t>(s.vertexCount));
            ASSERT_EQ(s.colours.size(), 4 * static_cast<std::size_t>(s.vertexCount));
            float lo = 1, hi = 0;
            for (const ControlPoint& p : s.points) {
                lo = std::min(lo, p.a);
                hi = std::max(hi, p.a);
            }
            for (float v : s.vertices) ASSERT_TRUE(std::isfinite(v)) << rec.name();
            for (std::size_t i = 0; i < s.colours.size(); i += 4) {
                ASSERT_EQ(s.colours[i] + s.colours[i + 1] + s.colours[i + 2], 0.0f);
                ASSERT_GE(s.colours[i + 3], lo - 1e-6f) << rec.name();
                ASSERT_LE(s.colours[i + 3], hi + 1e-6f) << rec.name();
            }
        }
    }
}

// What the outline encloses. It is built around the B-spline centre curve, which does not
// pass through the control points: at a corner the curve passes point i at
// |P(i-1) - 2 P(i) + P(i+1)| / 6, which can exceed the radius, and a cusp has no round end.
// So the exact property is about the curve: every centre-curve point lies in the outline or
// within 1.3 / zoom of it (the shown ribs sample the curve; a hidden rib, the curve's
// distance from the chord between shown ones, is below 1.3 / zoom). For the control points
// themselves: the first is always inside (the start cap is centred on it), and on the
// recordings nearly all are (95% at zoom 1; the rest sit at sharp corners).
TEST(RecordedStrokes, OutlineEnclosesTheCentreCurveAndAlmostAllControlPoints) {
    for (float zoom : {1.0f, 4.0f}) {
        int inside = 0, total = 0;
        for (const auto& rec : pageStrokes()) {
            Stroke s = PenReplay::replay(rec);
            s.buildAllRibs(zoom);
            s.buildOutline(zoom);
            for (const Vec2 c : centreCurve(s, 16)) {
                ASSERT_LE(strip::distanceToStrip(s.vertices, c), 1.3 / zoom) << rec.name();
            }
            ASSERT_EQ(strip::distanceToStrip(s.vertices, s.points[0].pos()), 0.0) << rec.name();
            for (const ControlPoint& p : s.points) {
                ++total;
                if (strip::distanceToStrip(s.vertices, p.pos()) == 0.0) ++inside;
            }
        }
        EXPECT_GE(inside, total * 93 / 100) << "zoom " << zoom;
    }
}

// Exactly: after simplify(1, n - 1) no remaining candidate has a deviation below the
// tolerance. Not guaranteed: the distance from the original curve to the simplified one,
// because each removal is judged against the curve of the moment and later removals move it
// on. Measured on the recordings (curve of all accepted pen points against the drawn,
// tail-by-tail simplified curve): 2.7 at tolerance 0.5, 5.2 at 1, 9.1 at 3, 36 at 10;
// leaving the first two deviations of a range stale, as the original rule did, gave 24 at
// tolerance 1. The bound below is that observation, not a theorem.
TEST(RecordedStrokes, SimplificationKeepsOnlyPointsAtOrAboveTheTolerance) {
    for (const auto& rec : pageStrokes()) {
        const Stroke raw = unsimplified(rec);
        for (float tolerance : {0.5f, 1.0f, 3.0f}) {
            Stroke s = raw;
            const int last = s.simplify(1, s.pointCount() - 1, 1, tolerance);
            ASSERT_EQ(last, s.pointCount() - 1);
            for (int k = 1; k < last; ++k) {
                const float d = s.pointDeviation(k);
                ASSERT_TRUE(std::isnan(d) || d >= tolerance) << rec.name() << " point " << k;
            }
        }
    }
}

TEST(RecordedStrokes, DrawnSimplifiedCurveStaysNearTheUnsimplifiedOne) {
    for (float tolerance : {0.5f, 1.0f, 3.0f, 10.0f}) {
        double worst = 0;
        for (const auto& rec : pageStrokes()) {
            PenReplay::Options options;
            options.smoothness = tolerance;
            options.buildOutline = false;
            const Stroke simple = PenReplay::replay(rec, options);
            if (simple.pointCount() < 2) continue;
            const std::vector<Vec2> line = centreCurve(simple, 24);
            for (const Vec2 c : centreCurve(unsimplified(rec), 4)) {
                worst = std::max(worst, distanceToPolyline(line, c));
            }
        }
        EXPECT_LE(worst, 6.0 * tolerance) << "tolerance " << tolerance;
    }
}

}  // namespace
