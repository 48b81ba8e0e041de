#pragma once

#include <algorithm>
#include <limits>

#include "geometry/Vec2.h"

// Axis-aligned rectangle. The default is the empty rectangle (minima at the largest float,
// maxima at its negative), so including the first point sets all four sides to it.
// Overlap and segment tests are closed: touching counts.
struct Rect {
    static constexpr float kBig = std::numeric_limits<float>::max();

    float minX = kBig;
    float minY = kBig;
    float maxX = -kBig;
    float maxY = -kBig;

    constexpr Rect() = default;
    constexpr Rect(float minX_, float minY_, float maxX_, float maxY_)
        : minX(minX_), minY(minY_), maxX(maxX_), maxY(maxY_) {}
    constexpr explicit Rect(Vec2 p) : minX(p.x), minY(p.y), maxX(p.x), maxY(p.y) {}
    constexpr Rect(Vec2 a, Vec2 b)
        : minX(std::min(a.x, b.x)),
          minY(std::min(a.y, b.y)),
          maxX(std::max(a.x, b.x)),
          maxY(std::max(a.y, b.y)) {}

    constexpr bool isEmpty() const { return minX > maxX || minY > maxY; }
    constexpr Vec2 min() const { return {minX, minY}; }
    constexpr Vec2 max() const { return {maxX, maxY}; }
    constexpr Vec2 centre() const { return {(minX + maxX) * 0.5f, (minY + maxY) * 0.5f}; }

    constexpr void include(Vec2 p) {
        minX = std::min(minX, p.x);
        minY = std::min(minY, p.y);
        maxX = std::max(maxX, p.x);
        maxY = std::max(maxY, p.y);
    }
    constexpr void unite(const Rect& r) {
        minX = std::min(minX, r.minX);
        minY = std::min(minY, r.minY);
        maxX = std::max(maxX, r.maxX);
        maxY = std::max(maxY, r.maxY);
    }
    constexpr void inflate(float d) {
        minX -= d;
        minY -= d;
        maxX += d;
        maxY += d;
    }
    constexpr bool overlaps(const Rect& r) const {
        return r.minX <= maxX && r.maxX >= minX && r.minY <= maxY && r.maxY >= minY;
    }
    constexpr bool contains(Vec2 p) const {
        return p.x >= minX && p.x <= maxX && p.y >= minY && p.y <= maxY;
    }

    // Whether some point of the closed segment a-b lies in the closed rectangle. False when
    // an end point has a NaN coordinate.
    bool meetsSegment(Vec2 a, Vec2 b) const;

    constexpr bool operator==(const Rect&) const = default;
};

// Distance from p to segment ab along the perpendicular, or 9999999 when the foot of the
// perpendicular is not strictly inside the segment (an end point does not count).
float pointSegmentDistance(Vec2 a, Vec2 b, Vec2 p);
