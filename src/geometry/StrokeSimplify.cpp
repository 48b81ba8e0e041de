// Greedy removal of control points that the curve of their neighbours already reproduces.
#include <algorithm>

#include "geometry/Stroke.h"

float Stroke::pointDeviation(int k) const {
    const int n = pointCount();
    const auto at = [this](int i) -> const ControlPoint& {
        return points[static_cast<std::size_t>(i)];
    };
    const int i0 = k < 2 ? k - 1 : k - 2;
    const int i1 = k - 1;
    const int i2 = k + 1;
    const int i3 = k >= n - 2 ? k + 1 : k + 2;
    const CubicBSpline x = CubicBSpline::fromControlValues(at(i0).x, at(i1).x, at(i2).x, at(i3).x);
    const CubicBSpline y = CubicBSpline::fromControlValues(at(i0).y, at(i1).y, at(i2).y, at(i3).y);

    const Vec2 p = at(k).pos();
    const Vec2 p1 = at(i1).pos();
    const Vec2 p2 = at(i2).pos();
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

int Stroke::simplify(int first, int last, float zoom, float tolerance) {
    if (first < 1) first = 1;
    last = std::min(last, pointCount() - 1);

    std::vector<float>& deviation = deviationScratch_;
    deviation.clear();
    for (int k = first; k < last; ++k) deviation.push_back(pointDeviation(k));

    // Repeatedly remove the candidate with the smallest deviation strictly below the
    // tolerance (the earliest on ties). NaN never compares below, so it is never removed.
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
        markChanged(k - 1);

        // The two candidates on each side of the removed point have new neighbours. All four
        // are refreshed, also at the start of the range, so that a stale (too small) value
        // never lets a point go whose curve has moved away from it.
        const int size = static_cast<int>(deviation.size());
        for (int j = best - 2; j <= best + 1; ++j) {
            if (j >= 0 && j < size)
                deviation[static_cast<std::size_t>(j)] = pointDeviation(first + j);
        }
    }

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
