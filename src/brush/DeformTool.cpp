#include "brush/DeformTool.h"

#include <algorithm>
#include <cmath>

namespace {

void includeSquare(Rect& r, const InfluenceCircle& c) {
    r.include({c.offset.x - c.radius, c.offset.y - c.radius});
    r.include({c.offset.x + c.radius, c.offset.y + c.radius});
}

}  // namespace

bool DeformTool::addCircle(InfluenceCircle c) {
    if (!isFinite(c.offset) || !std::isfinite(c.radius) || !(c.radius > 0.0f) ||
        std::isnan(c.falloff)) {
        return false;
    }
    c.falloff = std::max(c.falloff, kMinFalloff);
    includeSquare(bounds, c);
    circles.push_back(c);
    return true;
}

void DeformTool::setPosition(float x, float y, float screenX, float screenY) {
    if (!isFinite({x, y}) || !isFinite({screenX, screenY})) return;
    position = {x, y};
    screenPosition = {screenX, screenY};
}

Rect DeformTool::area() const {
    if (bounds.isEmpty()) return Rect();
    return {bounds.minX + position.x, bounds.minY + position.y, bounds.maxX + position.x,
            bounds.maxY + position.y};
}

float DeformTool::influence(const InfluenceCircle& circle, Vec2 point) const {
    const Vec2 centre = position + circle.offset;
    const float d = distance(centre, point);
    // (1 - d / radius) / falloff, in this order of float operations.
    const float k = circle.radius / circle.falloff;
    const float w = (k - (d / circle.radius) * k) / circle.radius;
    if (std::isnan(w) || w < 0.0f) return 0.0f;  // NaN: a non-finite point or a broken circle
    return w > 1.0f ? 1.0f : w;
}

float DeformTool::weight(Vec2 point) const {
    float w = 0.0f;
    for (const InfluenceCircle& c : circles) w += influence(c, point);
    return w > 1.0f ? 1.0f : w;
}

void DeformTool::displace(float dx, float dy, std::span<ControlPoint> points) const {
    if (!std::isfinite(dx) || !std::isfinite(dy)) return;
    for (ControlPoint& p : points) {
        const float w = weight(p.pos());
        if (w == 0.0f) continue;
        const float x = p.x + dx * w;
        const float y = p.y + dy * w;
        if (!std::isfinite(x) || !std::isfinite(y)) continue;
        p.x = x;
        p.y = y;
    }
}

void DeformTool::rescale(float factor, float maxSize) {
    const float w = (bounds.maxX - bounds.minX) * factor;
    const float h = (bounds.maxY - bounds.minY) * factor;
    if (!(w <= maxSize && h <= maxSize && w >= 1.0f && h >= 1.0f)) return;
    bounds = Rect();
    for (InfluenceCircle& c : circles) {
        c.radius *= factor;
        includeSquare(bounds, c);
    }
}

void DeformTool::scaleFalloff(float factor) {
    if (!(factor > 0.0f)) return;
    for (InfluenceCircle& c : circles)
        c.falloff = std::clamp(c.falloff * factor, kMinFalloff, 1.0f);
}
