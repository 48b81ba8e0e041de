#include "geometry/Rect.h"

#include <cmath>

namespace {

// Clips the parameter range [0, 1] of a segment from a to b (one coordinate) against the
// closed slab [lo, hi]. Returns false when the segment misses the slab.
bool clipSlab(float a, float b, float lo, float hi, float& enter, float& exit) {
    if (b > a) {
        if (hi < a || b < lo) return false;
        const float c = 1.0f / (b - a);
        enter = a < lo ? (lo - a) * c : 0.0f;
        exit = b > hi ? (hi - a) * c : 1.0f;
    } else {
        if (hi < b || a < lo) return false;
        // For b == a this is 1/0, but then the range checks above decided and c stays unused.
        const float c = 1.0f / (b - a);
        enter = a > hi ? (hi - a) * c : 0.0f;
        exit = b < lo ? (lo - a) * c : 1.0f;
    }
    if (!(enter > 0.0f)) enter = 0.0f;
    if (!(exit < 1.0f)) exit = 1.0f;
    return !(enter > exit);
}

}  // namespace

bool Rect::meetsSegment(Vec2 a, Vec2 b) const {
    // A segment with a NaN end has no place; without this it would meet every rectangle
    // (all comparisons false) and flood the spatial index.
    if (std::isnan(a.x) || std::isnan(a.y) || std::isnan(b.x) || std::isnan(b.y)) return false;
    float enterX = 0.0f, exitX = 1.0f, enterY = 0.0f, exitY = 1.0f;
    if (!clipSlab(a.x, b.x, minX, maxX, enterX, exitX)) return false;
    if (!clipSlab(a.y, b.y, minY, maxY, enterY, exitY)) return false;
    return !(std::min(exitX, exitY) < std::max(enterX, enterY));
}

float pointSegmentDistance(Vec2 a, Vec2 b, Vec2 p) {
    constexpr float kReach = 999999.0f;
    constexpr float kNoFoot = 9999999.0f;
    const Vec2 n = unitNormal(a, b);
    const Vec2 q1 = p + n * kReach;
    const Vec2 q2 = p - n * kReach;
    const float u = ((q2.x - q1.x) * (a.y - q1.y) - (q2.y - q1.y) * (a.x - q1.x)) /
                    ((q2.y - q1.y) * (b.x - a.x) - (q2.x - q1.x) * (b.y - a.y));
    // Written so that a NaN u (a == b) also counts as "no foot".
    if (!(u > 0.0f && u < 1.0f)) return kNoFoot;
    return length(a + (b - a) * u - p);
}
