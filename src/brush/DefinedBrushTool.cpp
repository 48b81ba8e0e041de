#include "brush/DefinedBrushTool.h"

#include <algorithm>
#include <cmath>

namespace {

// Direction from the right to the left vertex of pair e when the pair itself has none (its
// vertices coincide, as where a stroke has radius 0): across the line of the pairs' middles,
// else the direction used before, else (1, 0).
Vec2 acrossMiddles(const std::vector<Vec2>& middles, std::size_t e, Vec2 previous) {
    const Vec2 before = middles[e > 0 ? e - 1 : e];
    const Vec2 after = middles[e + 1 < middles.size() ? e + 1 : e];
    return unitNormalOr(before, after, isUsableNormal(previous) ? previous : Vec2(1, 0));
}

}  // namespace

void DefinedBrushTool::buildFromOutline(std::span<const float> positions) {
    position = Vec2();
    screenPosition = Vec2();
    bounds = Rect();
    shape.clear();
    testedPoints.clear();
    movedPoints.clear();

    for (std::size_t i = 0; i + 3 < positions.size(); i += 4) {
        const Vec2 left(positions[i], positions[i + 1]);
        const Vec2 right(positions[i + 2], positions[i + 3]);
        if (!isFinite(left) || !isFinite(right)) continue;
        shape.push_back(left);
        shape.push_back(right);
    }
    if (shape.empty()) return;

    const std::size_t pairs = shape.size() / 2;
    std::vector<Vec2> middles(pairs);
    for (std::size_t e = 0; e < pairs; ++e) middles[e] = (shape[2 * e] + shape[2 * e + 1]) * 0.5f;

    const float half = kMinWidth * 0.5f;
    Vec2 lastDirection(0, 0);
    for (std::size_t e = 0; e < pairs; ++e) {
        Vec2& left = shape[2 * e];
        Vec2& right = shape[2 * e + 1];
        if (!(distance(left, right) < kMinWidth)) continue;
        const Vec2 m = (left + right) * 0.5f;
        Vec2 n = normalized(left - right);
        if (!isUsableNormal(n)) n = acrossMiddles(middles, e, lastDirection);
        lastDirection = n;
        left = m + n * half;
        right = m - n * half;
    }

    for (const Vec2& v : shape) bounds.include(v);
    const Vec2 c = (bounds.min() + bounds.max()) * 0.5f;
    for (Vec2& v : shape) v -= c;
    bounds = Rect(bounds.minX - c.x, bounds.minY - c.y, bounds.maxX - c.x, bounds.maxY - c.y);
}

void DefinedBrushTool::setPosition(float x, float y, float screenX, float screenY) {
    if (!isFinite({x, y}) || !isFinite({screenX, screenY})) return;
    position = {x, y};
    screenPosition = {screenX, screenY};
}

Rect DefinedBrushTool::area() const {
    if (!hasShape() || bounds.isEmpty()) return Rect();
    return {bounds.minX + position.x, bounds.minY + position.y, bounds.maxX + position.x,
            bounds.maxY + position.y};
}

bool DefinedBrushTool::containsInTriangle(Vec2 p, int j) const {
    if (j < 0 || static_cast<std::size_t>(j) + 2 >= shape.size()) return false;
    const std::size_t i = static_cast<std::size_t>(j);
    const Vec2 t1 = shape[i] + position;
    const Vec2 t2 = shape[i + 1] + position;
    const Vec2 t3 = shape[i + 2] + position;
    const float det = (t2.x - t1.x) * (t3.y - t1.y) - (t3.x - t1.x) * (t2.y - t1.y);
    const float inv = 1.0f / det;
    // A triangle without area holds no point; its reciprocal would make every weight
    // infinite or NaN, and NaN fails no "below zero" test.
    if (!std::isfinite(det) || !std::isfinite(inv)) return false;
    const float w1 = ((t2.x - p.x) * (t3.y - p.y) - (t3.x - p.x) * (t2.y - p.y)) * inv;
    if (!(w1 >= 0.0f)) return false;
    const float w2 = ((t3.x - p.x) * (t1.y - p.y) - (t1.x - p.x) * (t3.y - p.y)) * inv;
    const float w3 = ((t1.x - p.x) * (t2.y - p.y) - (t2.x - p.x) * (t1.y - p.y)) * inv;
    return w2 >= 0.0f && w3 >= 0.0f;
}

bool DefinedBrushTool::contains(Vec2 p) const {
    const int triangles = static_cast<int>(shape.size()) - 2;
    for (int j = 0; j < triangles; ++j) {
        if (containsInTriangle(p, j)) return true;
    }
    return false;
}

bool DefinedBrushTool::displacePoint(float dx, float dy, ControlPoint& point) const {
    if (!std::isfinite(dx) || !std::isfinite(dy) || !contains(point.pos())) return false;
    const float x = point.x + dx * kPush;
    const float y = point.y + dy * kPush;
    if (!std::isfinite(x) || !std::isfinite(y)) return false;
    point.x = x;
    point.y = y;
    return true;
}

void DefinedBrushTool::displace(float dx, float dy, std::span<ControlPoint> points) {
    testedPoints.clear();
    movedPoints.clear();
    for (ControlPoint& p : points) {
        testedPoints.push_back(p.pos());
        if (displacePoint(dx, dy, p)) movedPoints.push_back(p.pos());
    }
}
