#pragma once

// Point-in-outline tests for a stroke's triangle strip (x, y per vertex), for checking that
// an outline covers what it should. Zero-area triangles (the strip's joints) add only their edges.

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "geometry/Vec2.h"

namespace strip {

inline double cross(double ax, double ay, double bx, double by) { return ax * by - ay * bx; }

// Distance from p to the closed triangle abc, 0 inside (in double, to judge float data).
inline double distanceToTriangle(Vec2 a, Vec2 b, Vec2 c, Vec2 p) {
    const double area = cross(b.x - a.x, b.y - a.y, c.x - a.x, c.y - a.y);
    auto segDist = [&](Vec2 u, Vec2 v) {
        const double dx = v.x - u.x, dy = v.y - u.y;
        const double len2 = dx * dx + dy * dy;
        double t = len2 > 0 ? ((p.x - u.x) * dx + (p.y - u.y) * dy) / len2 : 0.0;
        t = std::clamp(t, 0.0, 1.0);
        return std::hypot(p.x - (u.x + t * dx), p.y - (u.y + t * dy));
    };
    if (area != 0.0) {
        const double s = area > 0 ? 1.0 : -1.0;
        const double e0 = s * cross(b.x - a.x, b.y - a.y, p.x - a.x, p.y - a.y);
        const double e1 = s * cross(c.x - b.x, c.y - b.y, p.x - b.x, p.y - b.y);
        const double e2 = s * cross(a.x - c.x, a.y - c.y, p.x - c.x, p.y - c.y);
        if (e0 >= 0 && e1 >= 0 && e2 >= 0) return 0.0;
    }
    return std::min({segDist(a, b), segDist(b, c), segDist(c, a)});
}

// Distance from p to the union of the strip's triangles (0 when inside one).
inline double distanceToStrip(const std::vector<float>& xy, Vec2 p) {
    const std::size_t n = xy.size() / 2;
    double best = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i + 2 < n; ++i) {
        const Vec2 a(xy[2 * i], xy[2 * i + 1]);
        const Vec2 b(xy[2 * i + 2], xy[2 * i + 3]);
        const Vec2 c(xy[2 * i + 4], xy[2 * i + 5]);
        best = std::min(best, distanceToTriangle(a, b, c, p));
        if (best == 0.0) break;
    }
    return best;
}

}  // namespace strip
