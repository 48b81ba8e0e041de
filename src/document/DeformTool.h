#pragma once

#include <algorithm>
#include <vector>

#include "geometry/Rect.h"
#include "geometry/Vec2.h"

// One soft circle of the edit-mode push tool.
struct InfluenceCircle {
    Vec2 offset;          // centre relative to the tool position, canvas units
    float radius = 0.0f;  // canvas units
    float falloff =
        1.0f;  // fraction of the radius, from the rim inwards, over which the pull fades
};

// The primary-button deformation tool: circles of influence around a position.
struct DeformTool {
    Vec2 position;        // canvas units
    Vec2 screenPosition;  // the same position as received, screen units
    Rect bounds;          // union of the circles' squares, relative to position
    std::vector<InfluenceCircle> circles;

    void addCircle(const InfluenceCircle& c) {
        bounds.include({c.offset.x - c.radius, c.offset.y - c.radius});
        bounds.include({c.offset.x + c.radius, c.offset.y + c.radius});
        circles.push_back(c);
    }

    // Scales every circle's radius (offsets stay). Refused, leaving the tool as it is, when
    // the scaled bounds would be wider or taller than maxSize or narrower than 1 unit.
    void rescale(float factor, float maxSize) {
        const float w = (bounds.maxX - bounds.minX) * factor;
        const float h = (bounds.maxY - bounds.minY) * factor;
        if (!(w <= maxSize && h <= maxSize && w >= 1.0f && h >= 1.0f)) return;
        bounds = Rect();
        for (InfluenceCircle& c : circles) {
            c.radius *= factor;
            bounds.include({c.offset.x - c.radius, c.offset.y - c.radius});
            bounds.include({c.offset.x + c.radius, c.offset.y + c.radius});
        }
    }
    // Softens or hardens every circle's rim; a falloff never exceeds the whole radius. A
    // factor of zero or below (a fast drag outwards) is refused: a falloff of zero or less
    // would divide by zero or leave a tool that never moves anything again.
    void scaleFalloff(float factor) {
        if (!(factor > 0.0f)) return;
        for (InfluenceCircle& c : circles)
            c.falloff = std::clamp(c.falloff * factor, kMinFalloff, 1.0f);
    }
    static constexpr float kMinFalloff = 0.001f;
};
