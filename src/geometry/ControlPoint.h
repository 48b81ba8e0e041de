#pragma once

#include "geometry/Vec2.h"

// One control point of a stroke: canvas position, radius (half the stroke width,
// canvas units) and opacity 0..1. The same four values a page file stores as x, y, r, a.
struct ControlPoint {
    float x = 0.0f;
    float y = 0.0f;
    float r = 0.0f;
    float a = 0.0f;

    constexpr Vec2 pos() const { return {x, y}; }
    constexpr bool operator==(const ControlPoint&) const = default;
};
