#pragma once

#include <cmath>

// A 2-D vector or point in single precision. Canvas and screen coordinates are both y-up.
// Every operation rounds to float after each step, so results match a float-only evaluation.
struct Vec2 {
    float x = 0.0f;
    float y = 0.0f;

    constexpr Vec2() = default;
    constexpr Vec2(float x_, float y_) : x(x_), y(y_) {}

    constexpr Vec2 operator+(Vec2 b) const { return {x + b.x, y + b.y}; }
    constexpr Vec2 operator-(Vec2 b) const { return {x - b.x, y - b.y}; }
    constexpr Vec2 operator-() const { return {-x, -y}; }
    constexpr Vec2 operator*(float s) const { return {x * s, y * s}; }
    // Division multiplies by the reciprocal, taken once as a float.
    constexpr Vec2 operator/(float s) const {
        const float inv = 1.0f / s;
        return {x * inv, y * inv};
    }
    constexpr Vec2& operator+=(Vec2 b) {
        x += b.x;
        y += b.y;
        return *this;
    }
    constexpr Vec2& operator-=(Vec2 b) {
        x -= b.x;
        y -= b.y;
        return *this;
    }
    constexpr bool operator==(const Vec2&) const = default;
};

inline float dot(Vec2 a, Vec2 b) { return a.x * b.x + a.y * b.y; }
inline float length(Vec2 a) { return std::sqrt(a.x * a.x + a.y * a.y); }
inline float distance(Vec2 a, Vec2 b) { return length(a - b); }

// Not guarded: a zero vector gives non-finite components. Callers that may meet
// coincident points use safeUnitNormal instead.
inline Vec2 normalized(Vec2 a) { return a / length(a); }

// Rotates in place, counter-clockwise for positive radians (y-up).
inline Vec2& rotate(Vec2& a, float radians) {
    const float c = std::cos(radians);
    const float s = std::sin(radians);
    const float x = a.x * c - a.y * s;
    const float y = a.x * s + a.y * c;
    a.x = x;
    a.y = y;
    return a;
}
inline Vec2 rotated(Vec2 a, float radians) { return rotate(a, radians); }

// Direction from a to b turned a quarter turn counter-clockwise, normalised:
// the "left" side of travel in y-up coordinates.
inline Vec2 unitNormal(Vec2 a, Vec2 b) {
    const Vec2 d = b - a;
    return normalized(Vec2(-d.y, d.x));
}

inline bool isFinite(Vec2 a) { return std::isfinite(a.x) && std::isfinite(a.y); }

// unitNormal(a, b), or `fallback` where that is not a usable direction: a and b coincide,
// their difference is too small or too large to normalise in float, or a coordinate is not
// finite. For every other input the result is bit-identical to unitNormal.
inline bool isUsableNormal(Vec2 n) { return isFinite(n) && (n.x != 0.0f || n.y != 0.0f); }
inline Vec2 unitNormalOr(Vec2 a, Vec2 b, Vec2 fallback) {
    const Vec2 n = unitNormal(a, b);
    return isUsableNormal(n) ? n : fallback;
}

// Angle between two directions in radians, in [0, pi]. The dot product is not clamped.
inline float angleBetween(Vec2 a, Vec2 b) { return std::acos(dot(normalized(a), normalized(b))); }

// Signed angle from a to b in radians, not wrapped: in (-2pi, 2pi).
inline float angleTo(Vec2 a, Vec2 b) { return std::atan2(b.y, b.x) - std::atan2(a.y, a.x); }

// Degree/radian factors, in single precision as the view and the gestures use them.
inline constexpr float kRadToDeg = 57.295776f;
inline constexpr float kDegToRad = 0.017453292f;
