#pragma once

#include <cstdint>
#include <vector>

#include "geometry/ControlPoint.h"
#include "geometry/Vec2.h"

// A clean shape a held stroke turns into. Canvas units, y up; angles in radians,
// counter-clockwise from the +x axis.
struct Shape {
    enum class Kind : std::uint8_t { Line, Polyline, Circle, Ellipse };

    Kind kind = Kind::Line;
    // Line: its two ends, in drawing order. Polyline: its corners in drawing order, the
    // first and the last being the ends of an open one; a closed one runs from the last
    // corner back to the first, which is not repeated.
    std::vector<Vec2> corners;
    bool closed = false;  // a closed polyline; circles and ellipses are always closed
    // Circle and ellipse: the centre, the semi-axis along `angle` (radiusX) and the one
    // across it (radiusY); equal for a circle, whose angle is 0. `angle` is in [0, pi).
    Vec2 centre;
    float radiusX = 0.0f;
    float radiusY = 0.0f;
    float angle = 0.0f;

    bool isClosed() const { return closed || kind == Kind::Circle || kind == Kind::Ellipse; }
};

// Points along the shape about `spacing` canvas units apart (never closer than needed to
// keep every corner), from its first corner (an ellipse: the end of its x semi-axis) in
// drawing order. Every corner is one of the points. A closed shape ends on its first
// point again. `spacing` must be positive; very long shapes get at most about 20,000
// points.
std::vector<Vec2> tracePoints(const Shape& shape, float spacing);

// Control points of a stroke that draws the shape, all with radius `r` and opacity `a`:
// the stroke's uniform B-spline runs along the shape. A closed shape's points overlap by
// one point at both ends of the seam, so the curve closes without a gap or a notch.
std::vector<ControlPoint> shapeControlPoints(const Shape& shape, float spacing, float r,
                                             float a);
