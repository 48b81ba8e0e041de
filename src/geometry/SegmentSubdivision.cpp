#include "geometry/SegmentSubdivision.h"

#include "geometry/Vec2.h"

namespace {

struct Subdivider {
    const CubicBSpline& x;
    const CubicBSpline& y;
    float tolerance;
    int maxDepth;
    std::vector<float>& ts;
    std::vector<float>& levels;

    void run(float t0, float t1, Vec2 p0, Vec2 p1, int depth) {
        if (depth > maxDepth) return;
        const float tm = (t0 + t1) * 0.5f;
        const Vec2 chordMid = (p0 + p1) * 0.5f;
        const Vec2 curveMid(x.value(tm), y.value(tm));
        const float d = length(curveMid - chordMid);
        if (!(d > tolerance)) return;
        ts.push_back(tm);
        levels.push_back(d);
        run(t0, tm, p0, curveMid, depth + 1);
        run(tm, t1, curveMid, p1, depth + 1);
    }
};

}  // namespace

void subdivideSegment(const CubicBSpline& x, const CubicBSpline& y, float zoom,
                      std::vector<float>& ts, std::vector<float>& levels, int maxDepth) {
    ts.assign(1, 1.0f);
    levels.assign(1, 10.0f);
    const float f = zoom + 1.0f;
    Subdivider s{x, y, 0.5f / f, maxDepth, ts, levels};
    s.run(0.0f, 1.0f, Vec2(x.value(0.0f), y.value(0.0f)), Vec2(x.value(1.0f), y.value(1.0f)), 1);
}
