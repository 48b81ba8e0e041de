#include <algorithm>
#include <cmath>

#include "document/Drawing.h"
#include "document/EraserCut.h"

namespace {

bool onPage(Vec2 p) {
    return Rect(0.0f, 0.0f, Drawing::kCanvasSize, Drawing::kCanvasSize).contains(p);
}

// A simplification pass runs once more than this many points follow firstUnsimplified.
constexpr int kPendingPoints = 14;
// The next pass starts this many points before the end, so the curve can settle.
constexpr int kSettlingPoints = 4;
// Parts of an erased stroke shorter than this are dropped.
constexpr int kMinErasedPart = 3;
// A sweep across the whole page at the smallest eraser (radius 0.5) takes about 2,500
// squares; a jump beyond that is cut into this many.
constexpr float kMaxEraserSteps = 4096.0f;

}  // namespace

StrokeInProgress* Drawing::inProgress(PointerKey pointer) {
    for (StrokeInProgress& s : inProgress_)
        if (s.pointer == pointer) return &s;
    return nullptr;
}

const Stroke* Drawing::strokeInProgress(PointerKey pointer) const {
    for (const StrokeInProgress& s : inProgress_)
        if (s.pointer == pointer) return s.stroke.get();
    return nullptr;
}

BrushFollower& Drawing::followerFor(PointerKey pointer) {
    if (StrokeInProgress* s = inProgress(pointer))
        return s->sharedFollower ? static_cast<BrushFollower&>(brush) : s->follower;
    const bool taken = std::any_of(inProgress_.begin(), inProgress_.end(),
                                   [](const StrokeInProgress& s) { return s.sharedFollower; });
    return taken ? spareFollower_ : brush;
}

void Drawing::strokesInProgressChanged() {
    current = inProgress_.empty() ? nullptr : inProgress_.front().stroke.get();
    firstUnsimplified = inProgress_.empty() ? 1 : inProgress_.front().firstUnsimplified;
    drawingActive = !inProgress_.empty();
}

void Drawing::beginStroke(float x, float y, float pressure, PointerKey pointer) {
    // A press while a stroke is still open means its release was lost: keep that stroke.
    if (inProgress(pointer)) endStroke(x, y, pointer);
    StrokeInProgress s;
    s.pointer = pointer;
    s.lastPosition = {x, y};
    s.sharedFollower = &followerFor(pointer) == &brush;
    BrushFollower& f = s.sharedFollower ? static_cast<BrushFollower&>(brush) : s.follower;
    brush.reset(f, x, y);
    screenToCanvas(x, y);
    if (onPage({x, y})) {
        const BrushSample b = brush.sample(f, x, y, pressure);
        s.stroke = std::make_unique<Stroke>(x, y, b.radius, b.opacity);
        s.stroke->colour = b.colour;
        s.stroke->buildOutline(view.zoom);
    }
    inProgress_.push_back(std::move(s));
    strokesInProgressChanged();
}

void Drawing::extendStroke(float x, float y, float dx, float dy, float pressure,
                           PointerKey pointer) {
    StrokeInProgress* s = inProgress(pointer);
    if (!s || !s->stroke) return;
    BrushFollower& f = followerFor(pointer);
    f.cursor = {x, y};
    const float step = std::sqrt(dx * dx + dy * dy);
    // A non-finite movement would stop the stroke for good; it counts as none.
    if (std::isfinite(step)) s->travelled += step;
    if (!(s->travelled > minPointSpacing)) return;
    screenToCanvas(x, y);
    if (!onPage({x, y})) return;  // travel is kept: the point comes as soon as we are back
    const BrushSample b = brush.sample(f, x, y, pressure);
    s->travelled = 0.0f;
    Stroke& stroke = *s->stroke;
    stroke.addPoint(x, y, b.radius, b.opacity);
    const int n = stroke.pointCount();
    if (n - s->firstUnsimplified - 1 > kPendingPoints) {
        stroke.simplify(s->firstUnsimplified, n - 1, view.zoom, smoothness);
        const int next = stroke.pointCount() - kSettlingPoints;
        s->firstUnsimplified = next > 0 ? next : 1;
        if (s == &inProgress_.front()) firstUnsimplified = s->firstUnsimplified;
    }
    stroke.buildOutline(view.zoom);
}

void Drawing::endStroke(float /*x*/, float /*y*/, PointerKey pointer) {
    const auto it =
        std::find_if(inProgress_.begin(), inProgress_.end(),
                     [pointer](const StrokeInProgress& s) { return s.pointer == pointer; });
    if (it == inProgress_.end()) return;
    std::unique_ptr<Stroke> stroke = std::move(it->stroke);
    const int first = it->firstUnsimplified;
    inProgress_.erase(it);
    strokesInProgressChanged();
    if (!stroke || stroke->pointCount() < 1) return;
    const int n = stroke->pointCount();
    if (n - first > 2) {
        stroke->simplify(first, n - 1, view.zoom, smoothness);
        stroke->buildOutline(view.zoom);
    }
    index.insertStroke(appendStroke(std::move(stroke)));
}

void Drawing::withdrawStroke(PointerKey pointer) {
    std::erase_if(inProgress_,
                  [pointer](const StrokeInProgress& s) { return s.pointer == pointer; });
    strokesInProgressChanged();
}

void Drawing::pointerMoved(float x, float y, PointerKey pointer) {
    brush.reset(followerFor(pointer), x, y);
    if (StrokeInProgress* s = inProgress(pointer)) s->lastPosition = {x, y};
}

void Drawing::stepBrushFollowers(float x, float y) {
    bool shared = false;
    for (StrokeInProgress& s : inProgress_) {
        shared = shared || s.sharedFollower;
        brush.step(s.sharedFollower ? static_cast<BrushFollower&>(brush) : s.follower,
                   s.lastPosition.x, s.lastPosition.y);
    }
    if (!shared) brush.step(x, y);
}

bool Drawing::brushFollowersSettled(float x, float y, float tolerance) const {
    const auto settled = [tolerance](const BrushFollower& f, Vec2 target) {
        const bool moving =
            std::hypot(f.follower.x - target.x, f.follower.y - target.y) > tolerance ||
            std::hypot(f.velocity.x, f.velocity.y) > tolerance;
        return !moving;
    };
    bool shared = false;
    for (const StrokeInProgress& s : inProgress_) {
        shared = shared || s.sharedFollower;
        if (!settled(s.sharedFollower ? brush : s.follower, s.lastPosition)) return false;
    }
    return shared || settled(brush, {x, y});
}

void Drawing::eraseAt(float x, float y, float pressure, PointerKey pointer) {
    // The radius is taken as canvas units whatever the zoom.
    const float r = brush.sample(followerFor(pointer), x, y, pressure).radius;
    screenToCanvas(x, y);
    eraseSquare({x, y}, r);
}

void Drawing::eraseAlong(float fromX, float fromY, float x, float y, float pressure,
                         PointerKey pointer) {
    const float r = brush.sample(followerFor(pointer), x, y, pressure).radius;
    const Vec2 from = view.screenToCanvas(Vec2(fromX, fromY));
    const Vec2 to = view.screenToCanvas(Vec2(x, y));
    const float travel = distance(from, to);
    // Squares at most one radius apart: any stroke crossing the path crosses its centre
    // line within half a step of some square's centre, so inside that square.
    int steps = 1;
    if (std::isfinite(travel) && r > 0.0f && travel > r) {
        steps = static_cast<int>(std::min(std::ceil(travel / r), kMaxEraserSteps));
    }
    if (!isFinite(from)) steps = 1;
    for (int i = 1; i <= steps; ++i) {
        const float t = static_cast<float>(i) / static_cast<float>(steps);
        eraseSquare(i == steps ? to : from + (to - from) * t, r);
    }
}

void Drawing::eraseSquare(Vec2 c, float r) {
    const Rect eraser(c.x - r, c.y - r, c.x + r, c.y + r);
    for (Stroke* s : index.queryStrokes(eraser)) eraseFrom(s, eraser);
}

void Drawing::eraseFrom(Stroke* stroke, const Rect& eraser) {
    index.removeStroke(*stroke);
    if (stroke->pointCount() < kMinErasedPart) {
        deleteStroke(stroke);
        return;
    }
    int first = 0;
    int last = stroke->pointCount() - 1;
    const EraserCut cut = stroke->findRunInRect(eraser, first, last)
                              ? cutRun(*stroke, eraser, first, last)
                              : EraserCut{};
    if (!cut.erased) {
        index.insertStroke(*stroke);
        return;
    }
    if (cut.touchesStart || cut.reachesEnd) {
        // Trim: the stroke keeps the one part that does not run into the erased end.
        keepPart(*stroke, cut.touchesStart ? cut.after : cut.before);
        return;
    }
    // Split: the stroke keeps the part before the cut; the part after becomes a new stroke
    // of the same colour at the end of the list. keepPart may delete the stroke.
    const Rgb colour = stroke->colour;
    const std::uint64_t from = stroke->id;
    keepPart(*stroke, cut.before);
    if (static_cast<int>(cut.after.size()) >= kMinErasedPart) {
        Stroke& rest = appendStroke(std::make_unique<Stroke>());
        if (changes) changes->strokeCut(rest.id, from);
        rest.colour = colour;
        keepPart(rest, cut.after);
    }
}

bool Drawing::keepPart(Stroke& stroke, std::vector<ControlPoint> part) {
    if (static_cast<int>(part.size()) < kMinErasedPart) {
        deleteStroke(&stroke);
        return false;
    }
    if (changes) changes->strokeChanging(stroke);
    stroke.points = std::move(part);
    stroke.resetRibLists();  // simplify over the whole stroke rebuilds every segment
    stroke.simplify(1, stroke.pointCount() - 1, view.zoom, smoothness);
    reindex(stroke);
    return true;
}

void Drawing::reindex(Stroke& stroke) {
    stroke.recomputeBounds();
    index.insertStroke(stroke);
    stroke.buildOutline(view.zoom);
}

void Drawing::reshapeStroke(Stroke& stroke, std::vector<ControlPoint> points) {
    if (points.size() < 2 || !strokes.contains(&stroke)) return;
    index.removeStroke(stroke);
    if (changes) changes->strokeChanging(stroke);
    stroke.points = std::move(points);
    // Not simplified: the points lie on the shape already, and thinning them would round
    // its corners.
    stroke.resetRibLists();
    stroke.buildAllRibs(view.zoom);
    reindex(stroke);
}
