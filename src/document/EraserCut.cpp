#include "document/EraserCut.h"

#include "geometry/Stroke.h"

EraserCut cutRun(const Stroke& stroke, const Rect& eraser, int first, int last) {
    EraserCut cut;
    const auto& pts = stroke.points;
    const int n = stroke.pointCount();
    if (!(0 <= first && first < last && last <= n - 1)) return cut;

    std::vector<ControlPoint> samples;
    for (int i = first; i < last; ++i) stroke.resampleSegment(i, kEraserSpacing, samples);
    const int m = static_cast<int>(samples.size());

    // Path node j: -1 is P[first], 0..m-1 the samples, m is P[last]. Piece j joins nodes j
    // and j + 1, for j = -1 .. m - 1.
    auto node = [&](int j) {
        if (j < 0) return pts[static_cast<std::size_t>(first)].pos();
        if (j >= m) return pts[static_cast<std::size_t>(last)].pos();
        return samples[static_cast<std::size_t>(j)].pos();
    };
    auto meets = [&](int j) { return eraser.meetsSegment(node(j), node(j + 1)); };

    int hit = -1;
    while (hit <= m - 1 && !meets(hit)) ++hit;
    if (hit > m - 1) return cut;  // the curve passes by the square
    int resume = hit + 1;         // first piece after the erased stretch that misses it
    while (resume <= m - 1 && meets(resume)) ++resume;

    cut.erased = true;
    cut.touchesStart = first == 0 && hit <= 0;
    cut.reachesEnd = last == n - 1 && resume == m;

    cut.before.assign(pts.begin(), pts.begin() + first + 1);
    cut.before.insert(cut.before.end(), samples.begin(), samples.begin() + std::max(hit, 0));
    if (resume < m) cut.after.assign(samples.begin() + resume, samples.end());
    cut.after.insert(cut.after.end(), pts.begin() + last, pts.end());
    return cut;
}
