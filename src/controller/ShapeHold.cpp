#include "controller/ShapeHold.h"

#include <algorithm>

#include "geometry/ShapeRecognition.h"
#include "geometry/Stroke.h"

namespace {
// The smallest shape, screen pixels across its box's diagonal: below it marks are writing.
constexpr float kMinShapePx = 40.0f;
// Between a shape's control points, screen pixels: a drawn stroke's closest spacing.
constexpr float kShapeSpacingPx = 4.0f;

float canvasUnits(float px, float zoom) { return px / std::max(zoom, 1e-3f); }
}  // namespace

void ShapeHold::moved(Vec2 at, double now) {
    if (!(distance(at, anchor_) > kStillPx)) return;
    *this = ShapeHold(at, now);
}

bool ShapeHold::update(double now, const std::function<std::optional<Shape>()>& recognise) {
    const double rest = now - since_;
    if (!tried_ && rest >= kHintSeconds) {
        tried_ = true;
        shape_ = recognise();
    }
    return shape_ && rest >= kSnapSeconds;
}

std::optional<Shape> recogniseHeldStroke(const Stroke& drawn, Vec2 heldAt, float zoom) {
    std::vector<Vec2> points;
    points.reserve(drawn.points.size() + 1);
    for (const ControlPoint& p : drawn.points) points.push_back(p.pos());
    points.push_back(heldAt);
    return recogniseShape(points, canvasUnits(kMinShapePx, zoom));
}

std::vector<ControlPoint> snappedPoints(const Stroke& drawn, const Shape& shape, float zoom) {
    double r = 0.0, a = 0.0;
    for (const ControlPoint& p : drawn.points) {
        r += p.r;
        a += p.a;
    }
    const double n = static_cast<double>(std::max<std::size_t>(drawn.points.size(), 1));
    return shapeControlPoints(shape, canvasUnits(kShapeSpacingPx, zoom),
                              static_cast<float>(r / n), static_cast<float>(a / n));
}
