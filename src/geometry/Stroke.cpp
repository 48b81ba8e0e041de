#include "geometry/Stroke.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <cmath>
#include <utility>

namespace {

// Resampling a chord into more pieces than this only happens for coordinates far outside
// any page (a crafted file); real chords give at most a few hundred at spacing 5.
constexpr int kMaxResamplePieces = 4096;

}  // namespace

std::uint64_t Stroke::freshOutlineVersion() {
    static std::atomic<std::uint64_t> next{1};
    return next.fetch_add(1, std::memory_order_relaxed);
}

Stroke::Stroke(float x, float y, float r, float a) {
    bounds.include({x, y});
    points.push_back({x, y, r, a});
}

Stroke::Stroke(const Stroke& other)
    : points(other.points),
      ribLists(other.ribLists),
      bounds(other.bounds),
      colour(other.colour),
      ribZoomLimit(other.ribZoomLimit),
      id(other.id) {}

Stroke& Stroke::operator=(const Stroke& other) {
    if (this == &other) return *this;
    points = other.points;
    ribLists = other.ribLists;
    bounds = other.bounds;
    colour = other.colour;
    ribZoomLimit = other.ribZoomLimit;
    id = other.id;
    clearOutline();
    invalidateDerived();
    return *this;
}

Stroke::Stroke(Stroke&& other) noexcept
    : points(std::move(other.points)),
      ribLists(std::move(other.ribLists)),
      vertices(std::move(other.vertices)),
      colours(std::move(other.colours)),
      vertexCount(other.vertexCount),
      bounds(other.bounds),
      colour(other.colour),
      ribZoomLimit(other.ribZoomLimit),
      id(other.id),
      dirtyFrom_(other.dirtyFrom_),
      outlineBuilt_(other.outlineBuilt_),
      outlineZoom_(other.outlineZoom_),
      segmentStart_(std::move(other.segmentStart_)),
      prefixBox_(other.prefixBox_),
      prefixBoxCount_(other.prefixBoxCount_) {
    other.clearOutline();
    other.invalidateDerived();
}

Stroke& Stroke::operator=(Stroke&& other) noexcept {
    if (this == &other) return *this;
    points = std::move(other.points);
    ribLists = std::move(other.ribLists);
    vertices = std::move(other.vertices);
    colours = std::move(other.colours);
    vertexCount = other.vertexCount;
    bounds = other.bounds;
    colour = other.colour;
    ribZoomLimit = other.ribZoomLimit;
    id = other.id;
    dirtyFrom_ = other.dirtyFrom_;
    outlineBuilt_ = other.outlineBuilt_;
    outlineZoom_ = other.outlineZoom_;
    segmentStart_ = std::move(other.segmentStart_);
    prefixBox_ = other.prefixBox_;
    prefixBoxCount_ = other.prefixBoxCount_;
    outlineVersion_ = freshOutlineVersion();
    other.clearOutline();
    other.invalidateDerived();
    return *this;
}

void Stroke::markChanged(int segment) { dirtyFrom_ = std::min(dirtyFrom_, std::max(segment, 0)); }

void Stroke::forgetPrefixFrom(int point) {
    if (prefixBoxCount_ > point) {
        prefixBoxCount_ = 0;
        prefixBox_ = Rect();
    }
}

void Stroke::invalidateDerived() {
    dirtyFrom_ = 0;
    forgetPrefixFrom(0);
    outlineVersion_ = freshOutlineVersion();
}

void Stroke::clearOutline() {
    vertices.clear();
    colours.clear();
    vertexCount = 0;
    outlineBuilt_ = false;
    segmentStart_.clear();
    outlineVersion_ = freshOutlineVersion();
}

Vec2 Stroke::spanNormal(int from, int to, int wideFrom, int wideTo) const {
    const auto at = [this](int i) { return points[static_cast<std::size_t>(i)].pos(); };
    const Vec2 normal = unitNormal(at(from), at(to));
    if (isUsableNormal(normal)) return normal;
    // Coincident neighbours (a file, a back-and-forth movement) have no direction of their
    // own: borrow the direction across the wider span, else use (1, 0), the normal with
    // which a one-point stroke's disc is built.
    const int last = pointCount() - 1;
    return unitNormalOr(at(std::clamp(wideFrom, 0, last)), at(std::clamp(wideTo, 0, last)),
                        Vec2(1, 0));
}

void Stroke::addPoint(float x, float y, float r, float a) {
    bounds.include({x, y});
    points.push_back({x, y, r, a});
    const int n = pointCount();
    if (n < 2) return;  // misuse: the first point of a stroke has no segment
    const ControlPoint& last = points.back();
    const Vec2 normal = spanNormal(n - 2, n - 1, n - 3, n - 1);
    Rib rib;
    rib.v0 = last.pos() + normal * last.r;
    rib.v1 = last.pos() - normal * last.r;
    ribLists.emplace_back();
    ribLists.back().push_back(std::move(rib));
    markChanged(n - 2);
}

void Stroke::removeFirstPoint() {
    if (points.empty()) return;
    points.erase(points.begin());
    if (!ribLists.empty()) ribLists.erase(ribLists.begin());
    markChanged(0);
    forgetPrefixFrom(0);
}

void Stroke::removeLastPoint() {
    if (points.empty()) return;
    points.pop_back();
    if (!ribLists.empty()) ribLists.pop_back();
    const int n = pointCount();
    markChanged(n - 1);  // the removed segment; with one point left also the start cap
    forgetPrefixFrom(n);
}

void Stroke::replacePoints(int first, int last, const std::vector<ControlPoint>& newPoints) {
    const int n = pointCount();
    assert(0 <= first && first < last && last <= n - 1);
    if (!(0 <= first && first < last && last <= n - 1)) return;

    std::vector<ControlPoint> pts;
    pts.reserve(static_cast<std::size_t>(first + 1) + newPoints.size() +
                static_cast<std::size_t>(n - last));
    pts.insert(pts.end(), points.begin(), points.begin() + first + 1);
    pts.insert(pts.end(), newPoints.begin(), newPoints.end());
    pts.insert(pts.end(), points.begin() + last, points.end());

    const int lists = static_cast<int>(ribLists.size());
    std::vector<RibList> ribs;
    ribs.reserve(pts.size());
    for (int i = 0; i < std::min(first, lists); ++i) {
        ribs.push_back(std::move(ribLists[static_cast<std::size_t>(i)]));
    }
    ribs.emplace_back();
    for (const ControlPoint& p : newPoints) {
        Rib placeholder;
        placeholder.v0 = p.pos();
        placeholder.v1 = p.pos();
        ribs.emplace_back();
        ribs.back().push_back(std::move(placeholder));
    }
    for (int i = last; i < lists; ++i) {
        ribs.push_back(std::move(ribLists[static_cast<std::size_t>(i)]));
    }

    points = std::move(pts);
    ribLists = std::move(ribs);
    markChanged(first);
    forgetPrefixFrom(first + 1);
}

void Stroke::resampleSegment(int segment, float spacing, std::vector<ControlPoint>& out) const {
    const std::size_t i = static_cast<std::size_t>(segment);
    const SegmentSpline s = SegmentSpline::from(segmentControlValues(segment));
    const ControlPoint& p0 = points[i];
    const ControlPoint& p1 = points[i + 1];
    const float opacity = (p0.a + p1.a) * 0.5f;

    // Pieces along the chord, truncated; NaN counts as none, overlong chords are capped.
    const float pieces = distance(p0.pos(), p1.pos()) / spacing;
    int count = 0;
    if (pieces >= static_cast<float>(kMaxResamplePieces)) {
        count = kMaxResamplePieces;
    } else if (pieces >= 1.0f) {
        count = static_cast<int>(pieces);
    }

    if (count <= 1) {
        const float t = 0.01f;
        out.push_back({s.x.value(t), s.y.value(t), s.r.value(t), opacity});
        return;
    }

    // Forward differences of (c0 t^3 + c1 t^2 + c2 t + c3) / 6 with step h.
    struct Stepper {
        float value, d1, d2, d3;
        Stepper(const CubicBSpline& c, float h) {
            const float h2 = h * h;
            const float h3 = h2 * h;
            value = c.c3 * CubicBSpline::kSixth;
            d1 = (c.c0 * h3 + c.c1 * h2 + c.c2 * h) * CubicBSpline::kSixth;
            d2 = (6.0f * c.c0 * h3 + 2.0f * c.c1 * h2) * CubicBSpline::kSixth;
            d3 = 6.0f * c.c0 * h3 * CubicBSpline::kSixth;
        }
        float next() {
            value += d1;
            d1 += d2;
            d2 += d3;
            return value;
        }
    };
    const float h = 1.0f / static_cast<float>(count);
    Stepper x(s.x, h), y(s.y, h), r(s.r, h);
    out.reserve(out.size() + static_cast<std::size_t>(count - 1));
    for (int k = 1; k < count; ++k) {
        const float px = x.next();
        const float py = y.next();
        const float pr = r.next();
        out.push_back({px, py, pr, opacity});
    }
}

bool Stroke::findRunInRect(const Rect& rect, int& first, int& end) const {
    bool started = false;
    for (int i = 0; i + 1 < pointCount(); ++i) {
        const bool meets = rect.meetsSegment(points[static_cast<std::size_t>(i)].pos(),
                                             points[static_cast<std::size_t>(i) + 1].pos());
        if (!started) {
            if (meets) {
                first = i;
                started = true;
            }
        } else if (!meets) {
            end = i;
            return true;
        }
    }
    return started;
}

void Stroke::recomputeBounds() {
    bounds = Rect();
    for (const ControlPoint& p : points) bounds.include(p.pos());
}
