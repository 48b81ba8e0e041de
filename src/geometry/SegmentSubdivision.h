#pragma once

#include <vector>

#include "geometry/CubicBSpline.h"
#include "geometry/Vec2.h"

// Deepest level of midpoints that subdivision creates in one segment, so a segment gets at
// most 2^depth ribs. At zoom 10 recorded strokes need 5 levels and any curve inside the
// 900-unit page at most 7 (tests check both), so the bound leaves room for curves 64 times
// that size. Without it, coordinates near the float range (a crafted file) would create
// millions of ribs per segment.
inline constexpr int kMaxSubdivisionDepth = 10;

// Where the ribs of one segment go: curve parameters, the deviation that created each one
// (10 for the end point) and the centre-curve point there. Reused across segments so that
// rebuilding ribs does not allocate.
struct SegmentSamples {
    std::vector<float> ts;
    std::vector<float> levels;
    std::vector<Vec2> centres;
};

// Places ribs along one segment's centre curve (x(t), y(t)) by recursive midpoint
// subdivision until every chord is within 0.5 / (zoom + 1) canvas units of the curve at its
// midpoint (0.25 at zoom 1). Fills `out` starting with the end point t = 1, then the
// midpoints in pre-order. A non-finite deviation never subdivides further.
void subdivideSegment(const CubicBSpline& x, const CubicBSpline& y, float zoom, SegmentSamples& out,
                      int maxDepth = kMaxSubdivisionDepth);
