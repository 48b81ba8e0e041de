#include "geometry/Shape.h"

#include <algorithm>
#include <cmath>

namespace {

// Bounds the points of one shape: a page-sized circle 2 units apart needs about 1,500, so
// only a shape far off the page meets it.
constexpr float kMaxPoints = 20000.0f;

// Pieces of `length` at most `spacing` long; at least one, at most kMaxPoints.
int piecesFor(float length, float spacing) {
    const float n = std::ceil(length / spacing);
    if (!(n >= 1.0f)) return 1;  // NaN, zero or negative
    return static_cast<int>(std::min(n, kMaxPoints));
}

// A polyline's length; for an ellipse, the length of a circle round its long axis, which
// even steps of the angle take no step of longer than.
float traceLength(const Shape& shape) {
    if (shape.kind == Shape::Kind::Circle || shape.kind == Shape::Kind::Ellipse)
        return 6.2831853f * std::max(shape.radiusX, shape.radiusY);
    float sum = 0.0f;
    for (std::size_t i = 1; i < shape.corners.size(); ++i)
        sum += distance(shape.corners[i - 1], shape.corners[i]);
    if (shape.closed && shape.corners.size() > 2)
        sum += distance(shape.corners.back(), shape.corners.front());
    return sum;
}

void traceCorners(const Shape& shape, float spacing, std::vector<Vec2>& out) {
    std::vector<Vec2> corners = shape.corners;
    if (corners.empty()) return;
    if (shape.closed) corners.push_back(corners.front());
    out.push_back(corners.front());
    for (std::size_t i = 1; i < corners.size(); ++i) {
        const Vec2 a = corners[i - 1], b = corners[i];
        const int n = piecesFor(distance(a, b), spacing);
        for (int k = 1; k < n; ++k) out.push_back(a + (b - a) * (static_cast<float>(k) / n));
        out.push_back(b);  // exactly the corner
    }
}

void traceEllipse(const Shape& shape, float spacing, std::vector<Vec2>& out) {
    const float a = shape.radiusX, b = shape.radiusY;
    const int n = std::max(piecesFor(traceLength(shape), spacing), 12);
    const float c = std::cos(shape.angle), s = std::sin(shape.angle);
    for (int k = 0; k < n; ++k) {
        const float t = 6.28318531f * static_cast<float>(k) / static_cast<float>(n);
        const float u = a * std::cos(t), v = b * std::sin(t);
        out.push_back(shape.centre + Vec2(u * c - v * s, u * s + v * c));
    }
    out.push_back(out.front());
}

}  // namespace

std::vector<Vec2> tracePoints(const Shape& shape, float spacing) {
    spacing = std::max(spacing, traceLength(shape) / kMaxPoints);
    std::vector<Vec2> out;
    if (shape.kind == Shape::Kind::Circle || shape.kind == Shape::Kind::Ellipse)
        traceEllipse(shape, spacing, out);
    else
        traceCorners(shape, spacing, out);
    return out;
}

std::vector<ControlPoint> shapeControlPoints(const Shape& shape, float spacing, float r, float a) {
    std::vector<Vec2> path = tracePoints(shape, spacing);
    // The curve of a closed path ends at the seam's far side, one point past the start.
    if (shape.isClosed() && path.size() > 2) path.push_back(path[1]);
    std::vector<ControlPoint> points;
    points.reserve(path.size());
    for (const Vec2 p : path) points.push_back({p.x, p.y, r, a});
    return points;
}
