#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "document/Drawing.h"

namespace {

// Half the side of the canvas square searched around a tap.
constexpr float kTapReach = 5.0f;
// Squared distance a tap candidate must beat (far beyond the search square).
constexpr float kNoCandidate = 99999.0f;
// A scaled box edge shorter than this (canvas units) refuses the scaling.
constexpr float kMinBoxEdge = 5.0f;
// Transforms may not carry a point or box corner farther than this from the origin on
// either axis (canvas units). Outlines and the index are float arithmetic meant for
// coordinates of page scale (the page is 900 wide); near the float limit they overflow.
constexpr float kFarthest = 1.0e6f;

// Also false for NaN and infinite coordinates.
bool withinReach(Vec2 p) { return std::fabs(p.x) <= kFarthest && std::fabs(p.y) <= kFarthest; }

enum LassoKind { kSelectLasso = 0, kEraseLasso = 1 };

// Strokes under an edit-mode deformation are out of the index until it ends.
bool indexed(const Drawing& d, const Stroke* s) {
    return std::find(d.deformed.begin(), d.deformed.end(), s) == d.deformed.end();
}

// The distinct strokes with an indexed segment that meets the bounding box of some segment
// of the lasso path, in query order. A path of fewer than two points crosses nothing.
std::vector<Stroke*> strokesCrossedByLasso(const Drawing& d) {
    const std::vector<Vec2>& path = d.selectionBox.path;
    std::vector<Stroke*> crossed;
    if (path.size() < 2) return crossed;
    std::vector<Vec2> mapped;
    mapped.reserve(path.size());
    Rect all;
    for (Vec2 p : path) {
        mapped.push_back(d.view.screenToCanvas(p));
        all.include(mapped.back());
    }
    std::unordered_set<const Stroke*> seen;
    for (const SegmentEntry* e : d.index.query(all)) {
        if (seen.contains(e->stroke)) continue;
        for (std::size_t j = 0; j + 1 < mapped.size(); ++j) {
            if (Rect(mapped[j], mapped[j + 1]).meetsSegment(e->a, e->b)) {
                seen.insert(e->stroke);
                crossed.push_back(e->stroke);
                break;
            }
        }
    }
    return crossed;
}

// Moves every point of the selected strokes by `map` (canvas to canvas) and rebuilds what
// depends on them, keeping each stroke's segments in the index exactly once. Returns false,
// changing nothing, when a mapped point or box corner would be out of reach.
template <class Map>
bool transformSelection(Drawing& d, Map map) {
    for (const Stroke* s : d.selection) {
        for (const ControlPoint& p : s->points) {
            if (!withinReach(map(p.pos()))) return false;
        }
    }
    for (Vec2 c : d.selectionBox.corners) {
        if (!withinReach(map(c))) return false;
    }
    for (Stroke* s : d.selection) {
        // The index finds segments by their end points: out before they change, in after.
        if (d.changes) d.changes->strokeChanging(*s);
        const bool inIndex = indexed(d, s);
        if (inIndex) d.index.removeStroke(*s);
        for (ControlPoint& p : s->points) {
            const Vec2 q = map(p.pos());
            p.x = q.x;
            p.y = q.y;
        }
        s->recomputeBounds();
        if (inIndex) d.index.insertStroke(*s);
        // At the view's zoom, like every other rebuilt stroke, so the moved ones keep the
        // level of detail of their neighbours.
        s->buildAllRibs(d.view.zoom);
        s->buildOutline(d.view.zoom);
    }
    return true;
}

}  // namespace

bool Drawing::selectAt(float x, float y) {
    selection.clear();
    const Vec2 p = view.screenToCanvas(Vec2(x, y));
    if (!isFinite(p)) return false;
    const Rect near(p.x - kTapReach, p.y - kTapReach, p.x + kTapReach, p.y + kTapReach);
    float best = kNoCandidate;
    Stroke* chosen = nullptr;
    for (const SegmentEntry* e : index.query(near)) {
        const Vec2 d = e->b - e->a;
        const float lengthSquared = dot(d, d);
        Vec2 q = e->a;  // a segment of coincident points is that point
        if (lengthSquared > 0.0f) {
            const float t = dot(p - e->a, d) / lengthSquared;
            // Only feet of the perpendicular on the segment count (written to skip NaN too).
            if (!(t >= 0.0f && t <= 1.0f)) continue;
            q = e->a + d * t;
        }
        const Vec2 off = q - p;
        const float distanceSquared = dot(off, off);
        if (distanceSquared < best) {  // ties keep the earlier segment
            best = distanceSquared;
            chosen = e->stroke;
        }
    }
    if (!chosen) return false;
    selection.push_back(chosen);
    selectionBox.showForStroke(*chosen);
    return true;
}

void Drawing::beginLasso(float x, float y, int kind) {
    if (kind == kSelectLasso) selectionBox.beginSelectLasso(x, y);
    if (kind == kEraseLasso) selectionBox.beginEraseLasso(x, y);
}

void Drawing::extendLasso(float x, float y, int kind) {
    if (kind == kSelectLasso) selectionBox.extendSelectLasso(x, y);
    if (kind == kEraseLasso) selectionBox.extendEraseLasso(x, y);
}

void Drawing::finishSelectLasso() {
    selection = strokesCrossedByLasso(*this);
    selectionBox.endSelectLasso();
    selectionBox.showForSelection(selection);
    // The old selection is gone: a box around nothing would still offer its handles.
    if (selection.empty()) selectionBox.hide();
}

void Drawing::finishEraseLasso() {
    const std::vector<Stroke*> crossed = strokesCrossedByLasso(*this);
    selectionBox.endEraseLasso();
    for (Stroke* s : crossed) index.removeStroke(*s);
    deleteStrokes(crossed);
}

void Drawing::moveSelection(float dx, float dy) {
    Vec2 delta(dx / view.zoom, dy / view.zoom);
    screenDirToCanvas(delta.x, delta.y);
    if (!isFinite(delta)) return;
    if (transformSelection(*this, [delta](Vec2 p) { return p + delta; })) {
        selectionBox.translate(delta);
    }
}

void Drawing::rotateSelection(float radians) {
    if (!std::isfinite(radians)) return;
    const Vec2 centre = (selectionBox.bounds.min() + selectionBox.bounds.max()) * 0.5f;
    const auto map = [centre, radians](Vec2 p) { return centre + rotated(p - centre, radians); };
    if (transformSelection(*this, map)) selectionBox.rotate(radians);
}

void Drawing::scaleSelection(float /*x*/, float /*y*/, float dx, float dy, int corner) {
    if (corner < 0 || corner > 3) return;
    const auto& c = selectionBox.corners;
    const int o = (corner + 2) % 4;  // the opposite corner stays fixed
    const Vec2 f = c[static_cast<std::size_t>(o)];
    Vec2 delta(dx / view.zoom, dy / view.zoom);
    screenDirToCanvas(delta.x, delta.y);
    const Vec2 n = c[static_cast<std::size_t>(corner)] + delta;
    const Vec2 e1 = c[static_cast<std::size_t>((o + 3) % 4)] - f;
    const Vec2 e2 = c[static_cast<std::size_t>((o + 1) % 4)] - f;
    const Vec2 w = n - f;
    const Vec2 q1 = e1 * (dot(w, e1) / dot(e1, e1));
    const Vec2 q2 = e2 * (dot(w, e2) / dot(e2, e2));
    // Written so that a box with a zero-length edge (a straight horizontal or vertical
    // selection), whose projections are NaN, is refused as well.
    if (!(length(q1) >= kMinBoxEdge && length(q2) >= kMinBoxEdge)) return;
    // Lengths, never negative: a drag past the fixed corner does not mirror.
    const float s1 = length(q1) / length(e1);
    const float s2 = length(q2) / length(e2);
    const Vec2 u = e1 / length(e1);
    const Vec2 v(-u.y, u.x);
    const auto map = [f, u, v, s1, s2](Vec2 p) {
        const Vec2 r = p - f;
        return f + u * (dot(u, r) * s1) + v * (dot(v, r) * s2);
    };
    if (transformSelection(*this, map)) selectionBox.scale(s1, s2, o);
}

void Drawing::fitSelectionBox() {
    if (selection.empty()) return;
    Rect box;
    for (Stroke* s : selection) {
        s->recomputeBounds();
        box.unite(s->bounds);
    }
    selectionBox.bounds = box;
}

void Drawing::deleteSelection() {
    // deleteStrokes edits `selection`, so hand it a copy.
    const std::vector<Stroke*> doomed = selection;
    const std::unordered_set<const Stroke*> outOfIndex(deformed.begin(), deformed.end());
    for (Stroke* s : doomed) {
        if (!outOfIndex.contains(s)) index.removeStroke(*s);
    }
    deleteStrokes(doomed);
    selection.clear();
}

void Drawing::defineBrush() {
    if (selection.empty()) return;
    std::vector<float> positions;
    std::vector<float> opacities;
    selection.front()->buildExportOutline(view.zoom, positions, opacities);
    definedBrush.buildFromOutline(positions);
}
