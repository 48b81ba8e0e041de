#include "geometry/SegmentSubdivision.h"

namespace {

struct Subdivider {
    const CubicBSpline& x;
    const CubicBSpline& y;
    float tolerance;
    int maxDepth;
    SegmentSamples& out;

    void run(float t0, float t1, Vec2 p0, Vec2 p1, int depth) {
        if (depth > maxDepth) return;
        const float tm = (t0 + t1) * 0.5f;
        const Vec2 chordMid = (p0 + p1) * 0.5f;
        const Vec2 curveMid(x.value(tm), y.value(tm));
        const float d = length(curveMid - chordMid);
        if (!(d > tolerance)) return;
        out.ts.push_back(tm);
        out.levels.push_back(d);
        out.centres.push_back(curveMid);
        run(t0, tm, p0, curveMid, depth + 1);
        run(tm, t1, curveMid, p1, depth + 1);
    }
};

}  // namespace

void subdivideSegment(const CubicBSpline& x, const CubicBSpline& y, float zoom, SegmentSamples& out,
                      int maxDepth) {
    const Vec2 start(x.value(0.0f), y.value(0.0f));
    const Vec2 end(x.value(1.0f), y.value(1.0f));
    out.ts.assign(1, 1.0f);
    out.levels.assign(1, 10.0f);
    out.centres.assign(1, end);
    const float f = zoom + 1.0f;
    Subdivider s{x, y, 0.5f / f, maxDepth, out};
    s.run(0.0f, 1.0f, start, end, 1);
}
