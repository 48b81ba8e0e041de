// Greedy removal of control points that the curve of their neighbours already reproduces.
#include <algorithm>

#include "geometry/Stroke.h"

namespace {

// Deviation of point p from the curve of its neighbours q0, q1 (before) and q2, q3 (after)
// without it: where p projects onto the chord q1-q2, how far the curve is from p.
float deviationFromNeighbours(const ControlPoint& q0, const ControlPoint& q1,
                              const ControlPoint& point, const ControlPoint& q2,
                              const ControlPoint& q3) {
    const CubicBSpline x = CubicBSpline::fromControlValues(q0.x, q1.x, q2.x, q3.x);
    const CubicBSpline y = CubicBSpline::fromControlValues(q0.y, q1.y, q2.y, q3.y);
    const Vec2 p = point.pos();
    const Vec2 p1 = q1.pos();
    const Vec2 p2 = q2.pos();
    // Coincident neighbours give a NaN normal and so a NaN deviation: such a point is kept.
    const Vec2 normal = unitNormal(p1, p2);
    const Vec2 d = p + normal * 100.0f;
    const Vec2 e = p - normal * 100.0f;
    const float h = (e.y - d.y) * (p2.x - p1.x) - (e.x - d.x) * (p2.y - p1.y);
    if (h == 0.0f) return 0.0f;
    // Where p projects onto the chord p1-p2: 0 at p1, 1 at p2.
    float u = ((e.x - d.x) * (p1.y - d.y) - (e.y - d.y) * (p1.x - d.x)) / h;
    if (u < 0.0f) u = 0.0f;
    if (u > 1.0f) u = 1.0f;
    return length(p - Vec2(x.value(u), y.value(u)));
}

// Candidate ranges longer than this keep their deviations in a heap.
constexpr int kHeapFrom = 48;

// Orders removal candidates: smallest deviation first, then lowest point index.
struct LaterCandidate {
    bool operator()(const std::pair<float, int>& a, const std::pair<float, int>& b) const {
        return a.first > b.first || (a.first == b.first && a.second > b.second);
    }
};

}  // namespace

float Stroke::pointDeviation(int k) const {
    const int n = pointCount();
    const auto at = [this](int i) -> const ControlPoint& {
        return points[static_cast<std::size_t>(i)];
    };
    const int i0 = k < 2 ? k - 1 : k - 2;
    const int i3 = k >= n - 2 ? k + 1 : k + 2;
    return deviationFromNeighbours(at(i0), at(k - 1), at(k), at(k + 1), at(i3));
}

// Both removal strategies take, again and again, the candidate with the smallest deviation
// strictly below the tolerance (the lowest index on ties; NaN never qualifies), remove it and
// refresh the two remaining candidates on each side of it. All four are refreshed, also at
// the start of the range, so that a stale (too small) value never lets a point go whose
// curve has moved away from it. They differ only in cost.

// Short ranges (the pen's tail, about 15 candidates): rescan and erase in place.
int Stroke::removeByRescan(int first, int last, float tolerance) {
    std::vector<float>& deviation = deviationScratch_;
    deviation.clear();
    for (int k = first; k < last; ++k) deviation.push_back(pointDeviation(k));

    int removed = 0;
    float cur = 0.0f;
    while (tolerance > cur) {
        cur = tolerance;
        int best = -1;
        for (int j = 0; j < static_cast<int>(deviation.size()); ++j) {
            if (deviation[static_cast<std::size_t>(j)] < cur) {
                cur = deviation[static_cast<std::size_t>(j)];
                best = j;
            }
        }
        if (best < 0) break;

        ++removed;
        const int k = first + best;
        points.erase(points.begin() + k);
        deviation.erase(deviation.begin() + best);
        if (static_cast<int>(ribLists.size()) > k) ribLists.erase(ribLists.begin() + k);

        const int size = static_cast<int>(deviation.size());
        for (int j = best - 2; j <= best + 1; ++j) {
            if (j >= 0 && j < size) {
                deviation[static_cast<std::size_t>(j)] = pointDeviation(first + j);
            }
        }
    }
    return removed;
}

// Long ranges (whole strokes after erasing or reshaping): points stay in place, linked to
// their current neighbours, a heap holds the qualifying deviations, and the points move
// once at the end, so R candidates cost O(R log R) instead of O(R^2).
int Stroke::removeByHeap(int first, int last, float tolerance) {
    const int n = pointCount();
    const int count = last - first;
    std::vector<float>& deviation = deviationScratch_;  // -1 marks a removed point
    std::vector<int>& prev = prevScratch_;              // current neighbours, by point index - base
    std::vector<int>& next = nextScratch_;
    std::vector<std::pair<float, int>>& heap = heapScratch_;
    const int base = std::max(0, first - 2);
    const int span = std::min(n - 1, last + 1) - base + 1;
    deviation.assign(static_cast<std::size_t>(count), 0.0f);
    prev.resize(static_cast<std::size_t>(span));
    next.resize(static_cast<std::size_t>(span));
    for (int i = 0; i < span; ++i) {
        prev[static_cast<std::size_t>(i)] = base + i - 1;
        next[static_cast<std::size_t>(i)] = base + i + 1;
    }
    heap.clear();
    const auto prevOf = [&](int i) { return prev[static_cast<std::size_t>(i - base)]; };
    const auto nextOf = [&](int i) { return next[static_cast<std::size_t>(i - base)]; };
    const auto at = [this](int i) -> const ControlPoint& {
        return points[static_cast<std::size_t>(i)];
    };
    const auto refresh = [&](int k) {
        // Point 0 and point n-1 are never removed, so "two before" exists unless the one
        // before is point 0, and "two after" unless the one after is the last point.
        const int i1 = prevOf(k);
        const int i2 = nextOf(k);
        const int i0 = i1 > 0 ? prevOf(i1) : i1;
        const int i3 = i2 < n - 1 ? nextOf(i2) : i2;
        const float d = deviationFromNeighbours(at(i0), at(i1), at(k), at(i2), at(i3));
        deviation[static_cast<std::size_t>(k - first)] = d;
        if (d < tolerance) {
            heap.emplace_back(d, k);
            std::push_heap(heap.begin(), heap.end(), LaterCandidate{});
        }
    };

    int removed = 0;
    for (int k = first; k < last; ++k) refresh(k);
    while (!heap.empty()) {
        std::pop_heap(heap.begin(), heap.end(), LaterCandidate{});
        const auto [value, k] = heap.back();
        heap.pop_back();
        // Entries left behind by a removal or a refresh no longer match.
        if (!(deviation[static_cast<std::size_t>(k - first)] == value)) continue;
        deviation[static_cast<std::size_t>(k - first)] = -1.0f;
        ++removed;
        const int before = prevOf(k);
        const int after = nextOf(k);
        next[static_cast<std::size_t>(before - base)] = after;
        prev[static_cast<std::size_t>(after - base)] = before;
        const int around[4] = {before > 0 ? prevOf(before) : -1, before, after,
                               after < n - 1 ? nextOf(after) : -1};
        for (int j : around) {
            if (j >= first && j < last) refresh(j);
        }
    }
    if (removed == 0) return 0;

    // Close the gaps: removing point k also drops rib list k (the segment leaving it).
    const int lists = static_cast<int>(ribLists.size());
    int write = first;
    int listWrite = std::min(first, lists);
    for (int i = first; i < n; ++i) {
        const bool gone = i < last && deviation[static_cast<std::size_t>(i - first)] == -1.0f;
        if (i < lists && !gone) {
            if (listWrite != i) {
                ribLists[static_cast<std::size_t>(listWrite)] =
                    std::move(ribLists[static_cast<std::size_t>(i)]);
            }
            ++listWrite;
        }
        if (gone) continue;
        if (write != i)
            points[static_cast<std::size_t>(write)] = points[static_cast<std::size_t>(i)];
        ++write;
    }
    points.resize(static_cast<std::size_t>(write));
    ribLists.resize(static_cast<std::size_t>(listWrite));
    return removed;
}

int Stroke::simplify(int first, int last, float zoom, float tolerance) {
    if (first < 1) first = 1;
    last = std::min(last, pointCount() - 1);

    int removed = 0;
    if (tolerance > 0.0f && last > first) {
        removed = last - first > kHeapFrom ? removeByHeap(first, last, tolerance)
                                           : removeByRescan(first, last, tolerance);
    }
    if (removed > 0) markChanged(first - 1);

    // Rebuild from the segment ending at `first` to the end of the range; when points were
    // removed, the segment after the range has a new neighbour too.
    const int newLast = last - removed;
    const int rebuildEnd = removed > 0 ? std::min(newLast, segmentCount() - 1) : newLast - 1;
    for (int s = first - 1; s <= rebuildEnd; ++s) buildSegmentRibs(s, zoom);

    // Bounds of the remaining points. Points before `first` never change here, so their box
    // is kept across calls and only the rest is scanned. The kept box stops kPrefixLag points
    // short of `first`: the drawing's next pass may start up to three points earlier.
    constexpr int kPrefixLag = 16;
    if (prefixBoxCount_ > first) forgetPrefixFrom(0);
    const int keep = std::min(std::max(0, first - kPrefixLag), pointCount());
    for (; prefixBoxCount_ < keep; ++prefixBoxCount_) {
        prefixBox_.include(points[static_cast<std::size_t>(prefixBoxCount_)].pos());
    }
    bounds = prefixBox_;
    for (int i = prefixBoxCount_; i < pointCount(); ++i) {
        bounds.include(points[static_cast<std::size_t>(i)].pos());
    }
    return newLast;
}
