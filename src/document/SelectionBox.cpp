#include "document/SelectionBox.h"

#include "geometry/Stroke.h"

void SelectionBox::showForStroke(const Stroke& stroke) {
    bounds = stroke.bounds;
    shown = true;
    fitCorners();
}

void SelectionBox::showForSelection(std::span<Stroke* const> strokes) {
    if (strokes.empty()) return;
    bounds = strokes.front()->bounds;
    for (const Stroke* s : strokes.subspan(1)) {
        bounds.include(s->bounds.min());
        bounds.include(s->bounds.max());
    }
    shown = true;
    fitCorners();
}

void SelectionBox::fitCorners() {
    corners = {Vec2(bounds.minX, bounds.minY), Vec2(bounds.minX, bounds.maxY),
               Vec2(bounds.maxX, bounds.maxY), Vec2(bounds.maxX, bounds.minY)};
    diagonals = {Vec2(-1, -1), Vec2(-1, 1), Vec2(1, 1), Vec2(1, -1)};
}

bool SelectionBox::contains(Vec2 p) const {
    // Moves, rotations and scalings keep the corners round a parallelogram: inside is on
    // one side of all four edges. A non-finite point is on neither side, so inside.
    bool left = false, right = false;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const Vec2 a = corners[i], b = corners[(i + 1) % corners.size()];
        const float side = (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
        left = left || side > 0.0f;
        right = right || side < 0.0f;
    }
    return !(left && right);
}

void SelectionBox::translate(Vec2 delta) {
    for (Vec2& c : corners) c += delta;
}

void SelectionBox::rotate(float radians) {
    const Vec2 centre = (bounds.min() + bounds.max()) * 0.5f;
    for (Vec2& c : corners) c = centre + rotated(c - centre, radians);
    for (Vec2& d : diagonals) ::rotate(d, radians);
}

void SelectionBox::scale(float s1, float s2, int k) {
    const Vec2 f = corners[static_cast<std::size_t>(k)];
    const Vec2 u = normalized(corners[static_cast<std::size_t>((k + 3) % 4)] - f);
    const Vec2 v(-u.y, u.x);
    for (Vec2& c : corners) {
        const Vec2 r = c - f;
        c = f + u * (dot(u, r) * s1) + v * (dot(v, r) * s2);
    }
}

void SelectionBox::beginSelectLasso(float x, float y) {
    path.clear();
    selectStart = selectCurrent = Vec2(x, y);
    selectLassoActive = true;
}

void SelectionBox::extendSelectLasso(float x, float y) {
    extendPath({x, y});
    selectCurrent = Vec2(x, y);
}

void SelectionBox::endSelectLasso() {
    path.clear();
    selectStart = selectCurrent = Vec2();
    selectLassoActive = false;
}

void SelectionBox::beginEraseLasso(float x, float y) {
    path.clear();
    eraseStart = eraseCurrent = Vec2(x, y);
    eraseLassoActive = true;
}

void SelectionBox::extendEraseLasso(float x, float y) {
    extendPath({x, y});
    eraseCurrent = Vec2(x, y);
}

void SelectionBox::endEraseLasso() {
    path.clear();
    eraseStart = eraseCurrent = Vec2();
    eraseLassoActive = false;
}

void SelectionBox::extendPath(Vec2 p) {
    if (path.empty() || distance(p, path.back()) > kLassoSpacing) path.push_back(p);
}
