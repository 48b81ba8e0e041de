#pragma once

#include <optional>
#include <span>

#include "geometry/Shape.h"
#include "geometry/Vec2.h"

// The clean shape a stroke was meant as, from its points (canvas units, y up, in drawing
// order): a straight line, a polyline of 2 to 6 straight pieces (open, or closed with 3 to
// 6), a circle or an ellipse of any orientation. Nothing when the stroke is none of these
// (handwriting, an arc, a scribble), has fewer than three distinct finite points, or its
// bounding box's diagonal is shorter than `minSize`.
//
// What the hand only nearly drew is made exact: a line or a polyline's piece within 4
// degrees of 0, 45, 90 or 135 degrees of the page takes that direction; a closed
// polyline of four pieces whose corners are all within 15 degrees of a right angle
// becomes a rectangle (whose sides snap like lines); an ellipse whose axes differ by less
// than 15 % is a circle, and one within 4 degrees of the page's axes is turned onto them.
// Corners are where the fitted straight pieces meet, so an overshoot or a hook at a
// corner or an end does not move them.
//
// Costs O(n) in the points plus a bounded amount: a 1,000-point stroke takes less than
// building its outline.
std::optional<Shape> recogniseShape(std::span<const Vec2> points, float minSize);

// The tolerances above, in radians and as ratios.
inline constexpr float kShapeSnapAngle = 4.0f * kDegToRad;
inline constexpr float kShapeRightAngleTolerance = 15.0f * kDegToRad;
inline constexpr float kShapeCircleAxisRatio = 0.85f;
