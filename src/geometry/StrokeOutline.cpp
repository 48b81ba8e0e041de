// Ribs and outline of a Stroke: the segment splines, rib construction by subdivision and
// the triangle strip the renderer draws in one call.
#include <algorithm>
#include <array>
#include <cmath>

#include "geometry/SegmentSubdivision.h"
#include "geometry/Stroke.h"

namespace {

// Cap fan angles k * pi/5 for k = 1..4, with pi/5 rounded to float as 0.62831855.
struct CapTurns {
    std::array<float, 4> cos{};
    std::array<float, 4> sin{};
    CapTurns() {
        for (int k = 0; k < 4; ++k) {
            const float angle = static_cast<float>(k + 1) * 0.62831855f;
            cos[static_cast<std::size_t>(k)] = std::cos(angle);
            sin[static_cast<std::size_t>(k)] = std::sin(angle);
        }
    }
};

const CapTurns& capTurns() {
    static const CapTurns turns;
    return turns;
}

// The stroke's colour as the GL colour array takes it, with each vertex's opacity added.
struct Tint {
    float r, g, b;
    explicit Tint(Rgb c) : r(c.redF()), g(c.greenF()), b(c.blueF()) {}
    void append(std::vector<float>& colours, float alpha) const {
        colours.insert(colours.end(), {r, g, b, alpha});
    }
    void appendPair(std::vector<float>& colours, float alpha) const {
        colours.insert(colours.end(), {r, g, b, alpha, r, g, b, alpha});
    }
};

// Ten vertices fanning around V over the half disc on the chord U-V:
// U, V, R1, V, R2, V, R3, V, R4, V. The start cap (U = a, V = b) bulges backward, the end
// cap (U = b, V = a) forward.
void appendCap(Vec2 a, Vec2 b, bool start, float alpha, const Tint& tint,
               std::vector<float>& vertices, std::vector<float>& colours) {
    const Vec2 u = start ? a : b;
    const Vec2 v = start ? b : a;
    const Vec2 m = (u + v) * 0.5f;
    const Vec2 d = u - m;
    auto push = [&](Vec2 p) {
        vertices.push_back(p.x);
        vertices.push_back(p.y);
        tint.append(colours, alpha);
    };
    push(u);
    push(v);
    const CapTurns& turns = capTurns();
    for (std::size_t k = 0; k < 4; ++k) {
        const float c = turns.cos[k];
        const float s = turns.sin[k];
        push(m + Vec2(d.x * c - d.y * s, d.x * s + d.y * c));
        push(v);
    }
}

}  // namespace

SegmentControlValues Stroke::segmentControlValues(int segment) const {
    const int n = pointCount();
    const int k0 = segment == 0 ? segment : segment - 1;
    const int k3 = segment >= n - 2 ? segment + 1 : segment + 2;
    const std::array<int, 4> k = {k0, segment, segment + 1, k3};
    SegmentControlValues v;
    for (std::size_t j = 0; j < 4; ++j) {
        const ControlPoint& p = points[static_cast<std::size_t>(k[j])];
        v.x[j] = p.x;
        v.y[j] = p.y;
        v.r[j] = p.r;
    }
    return v;
}

void Stroke::resetRibLists() {
    ribLists.clear();
    ribLists.resize(static_cast<std::size_t>(segmentCount()));
    invalidateDerived();
}

void Stroke::buildSegmentRibs(int segment, float zoom) {
    SegmentSamples& scratch = samplesScratch_;
    const std::size_t i = static_cast<std::size_t>(segment);
    if (ribLists.size() <= i) ribLists.resize(i + 1);  // a reader that skipped resetRibLists
    RibList& list = ribLists[i];
    list.clear();

    const SegmentSpline s = SegmentSpline::from(segmentControlValues(segment));
    subdivideSegment(s.x, s.y, zoom, scratch);

    const int n = pointCount();
    bool haveFallback = false;
    Vec2 fallback;
    list.reserve(scratch.ts.size());
    for (std::size_t j = 0; j < scratch.ts.size(); ++j) {
        const float t = scratch.ts[j];
        const Vec2 centre = scratch.centres[j];  // (x(t), y(t)), evaluated by subdivision
        const float radius = s.r.value(t);
        // The direction just past t (also past the end at t = 1).
        const float ahead = t + 0.001f;
        Vec2 normal = unitNormal(centre, Vec2(s.x.value(ahead), s.y.value(ahead)));
        if (!isUsableNormal(normal)) {
            // The curve stands still here (coincident control points): use the chord.
            if (!haveFallback) {
                fallback =
                    spanNormal(segment, segment + 1, segment - 1, std::min(segment + 2, n - 1));
                haveFallback = true;
            }
            normal = fallback;
        }
        Rib rib;
        rib.v0 = centre + normal * radius;
        rib.v1 = centre - normal * radius;
        rib.t = t;
        rib.level = scratch.levels[j];
        insertRib(list, std::move(rib));
    }
    markChanged(segment);
}

void Stroke::buildAllRibs(float zoom) {
    const int segments = segmentCount();
    ribLists.resize(static_cast<std::size_t>(segments));
    invalidateDerived();
    for (int i = 0; i < segments; ++i) buildSegmentRibs(i, zoom);
}

void Stroke::rebuildRibsForZoom(float zoom) {
    if (!(ribZoomLimit < zoom)) return;
    // Every segment but the last one, as the drawing has always done.
    const int lists = static_cast<int>(ribLists.size());
    for (int i = 0; i < lists - 1; ++i) buildSegmentRibs(i, zoom);
    ribZoomLimit = zoom + 1.0f;
}

void Stroke::buildOutline(float zoom) {
    const int n = pointCount();
    if (n == 0) {
        clearOutline();
        return;
    }
    const int segments = std::min(n - 1, static_cast<int>(ribLists.size()));
    const Tint tint(colour);

    // Reuse the outline up to the first changed segment when the zoom is the same.
    int from = 0;
    if (outlineBuilt_ && zoom == outlineZoom_ && !segmentStart_.empty()) {
        from = std::min({dirtyFrom_, segments, static_cast<int>(segmentStart_.size()) - 1});
    }

    if (from > 0) {
        const auto keep = static_cast<std::size_t>(segmentStart_[static_cast<std::size_t>(from)]);
        vertices.resize(keep);
        colours.resize(keep * 2);
        segmentStart_.resize(static_cast<std::size_t>(from));
    } else {
        vertices.clear();
        colours.clear();
        segmentStart_.clear();
        const ControlPoint& p0 = points[0];
        const Vec2 normal = n < 2 ? Vec2(1, 0) : spanNormal(0, 1, 0, 2);
        const Vec2 a = p0.pos() + normal * p0.r;
        const Vec2 b = p0.pos() - normal * p0.r;
        appendCap(a, b, true, p0.a, tint, vertices, colours);
        // B, A, B joins the cap to the first rib pair with the right winding; it also leaves
        // A, B as the last pair, which the end cap uses when there is no segment.
        for (Vec2 v : {b, a, b}) {
            vertices.push_back(v.x);
            vertices.push_back(v.y);
            tint.append(colours, p0.a);
        }
    }

    std::vector<RibCursor>& stack = ribStackScratch_;
    for (int i = from; i < segments; ++i) {
        segmentStart_.push_back(static_cast<std::int32_t>(vertices.size()));
        const RibList& list = ribLists[static_cast<std::size_t>(i)];
        if (list.empty()) continue;  // never built: contributes nothing
        const float alpha0 = points[static_cast<std::size_t>(i)].a;
        const float deltaAlpha = points[static_cast<std::size_t>(i) + 1].a - alpha0;
        forEachSelectedRib(list, zoom, stack, [&](const Rib& rib) {
            vertices.insert(vertices.end(), {rib.v0.x, rib.v0.y, rib.v1.x, rib.v1.y});
            const float alpha = alpha0 + deltaAlpha * rib.t;
            tint.appendPair(colours, alpha);
        });
    }
    segmentStart_.push_back(static_cast<std::int32_t>(vertices.size()));

    const std::size_t end = vertices.size();
    const Vec2 lastLeft(vertices[end - 4], vertices[end - 3]);
    const Vec2 lastRight(vertices[end - 2], vertices[end - 1]);
    appendCap(lastLeft, lastRight, false, points.back().a, tint, vertices, colours);

    vertexCount = static_cast<std::int32_t>(vertices.size() / 2);
    outlineBuilt_ = true;
    outlineZoom_ = zoom;
    dirtyFrom_ = kClean;
    outlineVersion_ = freshOutlineVersion();
}

void Stroke::buildExportOutline(float zoom, std::vector<float>& positions,
                                std::vector<float>& opacities) const {
    const int n = pointCount();
    if (n == 0) return;
    const ControlPoint& p0 = points[0];
    const Vec2 normal = n < 2 ? Vec2(1, 0) : spanNormal(0, 1, 0, 2);
    const Vec2 a = p0.pos() + normal * p0.r;
    const Vec2 b = p0.pos() - normal * p0.r;
    positions.insert(positions.end(), {a.x, a.y, b.x, b.y});
    if (n == 1) opacities.push_back(p0.a);  // a dot: its disc spans the start pair

    const int segments = std::min(n - 1, static_cast<int>(ribLists.size()));
    std::vector<RibCursor> stack;
    for (int i = 0; i < segments; ++i) {
        const RibList& list = ribLists[static_cast<std::size_t>(i)];
        if (list.empty()) continue;
        const float alpha0 = points[static_cast<std::size_t>(i)].a;
        const float deltaAlpha = points[static_cast<std::size_t>(i) + 1].a - alpha0;
        forEachSelectedRib(list, zoom, stack, [&](const Rib& rib) {
            positions.insert(positions.end(), {rib.v0.x, rib.v0.y, rib.v1.x, rib.v1.y});
            opacities.push_back(alpha0 + deltaAlpha * rib.t);
        });
    }
}
