#pragma once

#include <array>

// One coordinate of a uniform cubic B-spline segment, defined by four consecutive control
// values. value(t) for t in [0, 1] runs from (p0 + 4 p1 + p2) / 6 to (p1 + 4 p2 + p3) / 6.
// Coefficients and the nested evaluation are in single precision, in this exact order, so
// outlines, resampled points and deviations are reproducible bit for bit.
struct CubicBSpline {
    float c0 = 0.0f;
    float c1 = 0.0f;
    float c2 = 0.0f;
    float c3 = 0.0f;

    static constexpr float kSixth = 0.16666667f;

    static constexpr CubicBSpline fromControlValues(float p0, float p1, float p2, float p3) {
        CubicBSpline s;
        s.c0 = -p0 + 3.0f * p1 - 3.0f * p2 + p3;
        s.c1 = 3.0f * p0 - 6.0f * p1 + 3.0f * p2;
        s.c2 = -3.0f * p0 + 3.0f * p2;
        s.c3 = p0 + 4.0f * p1 + p2;
        return s;
    }
    static constexpr CubicBSpline fromControlValues(const std::array<float, 4>& p) {
        return fromControlValues(p[0], p[1], p[2], p[3]);
    }

    constexpr float value(float t) const { return (((c0 * t + c1) * t + c2) * t + c3) * kSixth; }
};

// The four control values of x, y and radius for one stroke segment.
struct SegmentControlValues {
    std::array<float, 4> x{};
    std::array<float, 4> y{};
    std::array<float, 4> r{};
};

// The three splines of one segment: centre x, centre y and radius, all in canvas units.
struct SegmentSpline {
    CubicBSpline x;
    CubicBSpline y;
    CubicBSpline r;

    static constexpr SegmentSpline from(const SegmentControlValues& v) {
        return {CubicBSpline::fromControlValues(v.x), CubicBSpline::fromControlValues(v.y),
                CubicBSpline::fromControlValues(v.r)};
    }
};
