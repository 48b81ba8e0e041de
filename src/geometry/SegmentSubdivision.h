#pragma once

#include <vector>

#include "geometry/CubicBSpline.h"

// Deepest level of midpoints that subdivision creates in one segment, so a segment gets at
// most 2^depth ribs. At zoom 10 recorded strokes need 5 levels and any curve inside the
// 900-unit page at most 7 (tests check both), so the bound leaves room for curves 64 times
// that size. Without it, coordinates near the float range (a crafted file) would create
// millions of ribs per segment.
inline constexpr int kMaxSubdivisionDepth = 10;

// Places ribs along one segment's centre curve (x(t), y(t)) by recursive midpoint
// subdivision until every chord is within 0.5 / (zoom + 1) canvas units of the curve at its
// midpoint (0.25 at zoom 1). Fills `ts` with the curve parameters, starting with the end
// point 1.0, then the midpoints in pre-order, and `levels` with 10 for the end point and
// the deviation that created each midpoint. A non-finite deviation never subdivides further.
void subdivideSegment(const CubicBSpline& x, const CubicBSpline& y, float zoom,
                      std::vector<float>& ts, std::vector<float>& levels,
                      int maxDepth = kMaxSubdivisionDepth);
