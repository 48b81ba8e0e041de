#pragma once

#include <span>
#include <vector>

#include "geometry/ControlPoint.h"
#include "geometry/Rect.h"
#include "geometry/Vec2.h"

// One soft circle of the edit-mode push tool.
struct InfluenceCircle {
    Vec2 offset;          // centre relative to the tool position, canvas units
    float radius = 0.0f;  // canvas units
    float falloff =
        1.0f;  // fraction of the radius, from the rim inwards, over which the pull fades
};

// The primary-button deformation tool: circles of influence around a position. A point
// moves by the drag times the summed influence of the circles, capped at 1.
struct DeformTool {
    Vec2 position;        // canvas units
    Vec2 screenPosition;  // the same position as received, screen units
    Rect bounds;          // union of the circles' squares, relative to position
    std::vector<InfluenceCircle> circles;

    static constexpr float kMinFalloff = 0.001f;

    // Appends the circle and includes its square (offset +- radius) in bounds. A circle
    // that could move nothing (radius not above 0, a non-finite value) is refused and false
    // returned; a falloff below kMinFalloff is raised to it.
    bool addCircle(InfluenceCircle c);
    // Ignored when a coordinate is not finite: the tool stays where it was.
    void setPosition(float x, float y, float screenX, float screenY);
    // The working area: bounds moved to position, canvas units. Empty without circles.
    Rect area() const;

    // How strongly the circle, placed at position, pulls the point: 1 out to
    // (1 - falloff) * radius from its centre, falling linearly to 0 at the rim; 0 for a
    // non-finite point.
    float influence(const InfluenceCircle& circle, Vec2 point) const;
    // The summed influence of all circles, capped at 1.
    float weight(Vec2 point) const;
    // Moves every point by (dx, dy) times its weight; radius and opacity stay. A non-finite
    // movement moves nothing, and a point whose move would not be finite stays.
    void displace(float dx, float dy, std::span<ControlPoint> points) const;

    // Scales every circle's radius (offsets stay). Refused, leaving the tool as it is, when
    // the scaled bounds would be wider or taller than maxSize or narrower than 1 unit.
    void rescale(float factor, float maxSize);
    // Softens or hardens every circle's rim; a falloff never exceeds the whole radius. A
    // factor of zero or below (a fast drag outwards) is refused: a falloff of zero or less
    // would divide by zero or leave a tool that never moves anything again.
    void scaleFalloff(float factor);
};
