#pragma once

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
};
