#pragma once

#include <span>
#include <vector>

#include "geometry/ControlPoint.h"
#include "geometry/Rect.h"
#include "geometry/Vec2.h"

// The secondary-button deformation tool: a shape taken from a selected stroke. Empty (no
// shape) until the user defines it; an empty tool moves nothing. Every point inside the
// shape moves by kPush times the drag, however deep inside it lies.
struct DefinedBrushTool {
    std::vector<Vec2> shape;         // triangle-strip vertices relative to position
    std::vector<Vec2> testedPoints;  // points offered to the last displacement
    std::vector<Vec2> movedPoints;   // points the last displacement moved, after the move
    Vec2 position;                   // canvas units
    Vec2 screenPosition;             // screen units
    Rect bounds;                     // around shape, relative to position

    static constexpr float kPush = 2.15f;
    // The shape is at least this wide everywhere, canvas units.
    static constexpr float kMinWidth = 20.0f;

    // Builds the shape from a stroke's export outline (x, y per vertex, left and right
    // alternating), widening narrow parts to kMinWidth and centring the shape on the tool
    // position, which is reset to (0, 0). Pairs with a non-finite coordinate, and a last
    // vertex without a partner, are left out.
    void buildFromOutline(std::span<const float> positions);
    // Ignored when a coordinate is not finite: the tool stays where it was.
    void setPosition(float x, float y, float screenX, float screenY);
    // The working area: bounds moved to position, canvas units. Empty without a shape.
    Rect area() const;
    bool hasShape() const { return shape.size() >= 3; }

    // Whether p lies in the triangle of vertices j, j + 1, j + 2 placed at position; edges
    // count, winding does not matter. False for a j without a triangle, a triangle of zero
    // area and a non-finite point.
    bool containsInTriangle(Vec2 p, int j) const;
    // Whether p lies in any triangle of the shape.
    bool contains(Vec2 p) const;
    // Moves the point by (dx, dy) * kPush when it lies in the shape and the result is
    // finite; returns whether it moved. Records nothing.
    bool displacePoint(float dx, float dy, ControlPoint& point) const;
    // displacePoint on every point, recording them in testedPoints and movedPoints.
    void displace(float dx, float dy, std::span<ControlPoint> points);
};
