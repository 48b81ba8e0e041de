#pragma once

#include "geometry/Vec2.h"

// The band along the window's edges and the circles in its corners, where a press pans,
// turns or zooms the view instead of drawing. Screen pixels, origin lower left, y up.
struct BorderZones {
    // Drags this close to a window edge are dropped: the system's positions there are
    // unreliable.
    static constexpr float kEdgeMargin = 5.0f;

    float width = 1.0f, height = 1.0f;  // the window
    float margin = 60.0f;               // the band's width
    float cornerRadius = 108.0f;

    // The corner zone around p, as the gesture that zooms from it (5 lower left, 6 lower
    // right, 7 upper right, 8 upper left), or -1.
    int cornerAt(Vec2 p) const {
        const struct {
            Vec2 at;
            int gesture;
        } corners[] = {{{0.0f, 0.0f}, 5}, {{width, 0.0f}, 6}, {{0.0f, height}, 8}, {{width, height}, 7}};
        for (const auto& c : corners)
            if (distance(p, c.at) < cornerRadius) return c.gesture;
        return -1;
    }
    bool inBand(Vec2 p) const {
        return p.x < margin || p.x > width - margin || p.y < margin || p.y > height - margin;
    }
    bool nearEdge(Vec2 p) const {
        return p.x < kEdgeMargin || p.x > width - kEdgeMargin || p.y < kEdgeMargin ||
               p.y > height - kEdgeMargin;
    }
};
