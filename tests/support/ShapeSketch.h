#pragma once

// Clean shapes and hand-drawn versions of them for the recognition tests and benchmark: the
// pen hooks as it lands, overshoots or cuts corners, overshoots or falls short of a loop's
// start, drifts slowly, trembles and moves at an uneven pace. Canvas units, y up. Straight
// pieces point exactly at 0, 45, 90 or 135 degrees or at least 7 degrees away from all of
// them, and four-sided polygons are rectangles or clearly not, so the clean shape is what
// snapping should give.

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "geometry/Shape.h"

class ShapeSketch {
public:
    explicit ShapeSketch(std::uint32_t seed) : rng_(seed) {}

    float uniform(float a, float b) {
        return a + (b - a) * static_cast<float>(rng_() - rng_.min()) / static_cast<float>(rng_.max() - rng_.min());
    }
    bool chance(float p) { return uniform(0.0f, 1.0f) < p; }

    // A shape about `size` across somewhere on the page: a line (Line, 1), an open or
    // closed polyline of `pieces`, an arrow (Polyline, -1: shaft and barbs in one stroke), a
    // circle or an ellipse.
    Shape shape(Shape::Kind kind, int pieces, bool closed, float size) {
        Shape s;
        s.kind = kind;
        s.closed = closed;
        const Vec2 at(uniform(150.0f, 750.0f), uniform(150.0f, 750.0f));
        if (kind == Shape::Kind::Circle || kind == Shape::Kind::Ellipse) {
            s.centre = at;
            s.radiusX = s.radiusY = size * 0.5f;
            if (kind == Shape::Kind::Ellipse) {
                s.radiusY *= uniform(0.3f, 0.7f);
                s.angle = std::fmod(direction(), kPi);
            }
            return s;
        }
        do {
            s.corners.assign(1, at);
            const bool rectangle = closed && pieces == 4 && chance(0.5f);
            float heading = direction(rectangle ? 0.5f : 0.3f), width = size * uniform(0.2f, 0.5f);
            for (int i = 0; i < (pieces < 0 ? 1 : pieces - (closed ? 1 : 0)); ++i) {
                if (i > 0) heading = rectangle ? heading + kPi / 2 : turnFrom(heading, closed ? pieces : 0);
                const float len = rectangle ? (i % 2 ? width : size) : pieces < 2 ? size : size * uniform(0.35f, 0.8f);
                s.corners.push_back(s.corners.back() + Vec2(std::cos(heading), std::sin(heading)) * len);
            }
            if (pieces < 0) {  // the barbs: out from the tip and back, then out again
                const Vec2 tip = s.corners.back(), back = normalized(s.corners.front() - tip);
                const float spread = uniform(0.4f, 0.6f), barb = size * uniform(0.2f, 0.3f);
                s.corners.insert(s.corners.end(), {tip + rotated(back, spread) * barb, tip, tip + rotated(back, -spread) * barb});
            }
        } while (!clear(s));
        return s;
    }

    // The shape as a hand draws it: pen samples from its first corner (an ellipse: anywhere),
    // ending where the pen was held.
    std::vector<Vec2> draw(const Shape& shape, float size) {
        std::vector<Vec2> path;
        if (shape.corners.empty()) {
            const float start = uniform(0.0f, 2 * kPi), sweep = 2 * kPi + uniform(-0.25f, 0.5f);
            const float egg = uniform(-0.03f, 0.03f), phase = uniform(0.0f, 2 * kPi);
            const Vec2 u(std::cos(shape.angle), std::sin(shape.angle)), v(-u.y, u.x);
            for (int k = 0; k <= 256; ++k) {
                const float t = start + sweep * static_cast<float>(k) / 256.0f, w = 1.0f + egg * std::sin(2 * t + phase);
                path.push_back(shape.centre + u * (shape.radiusX * w * std::cos(t)) + v * (shape.radiusY * w * std::sin(t)));
            }
            return tremble(path, size);
        }
        std::vector<Vec2> c = shape.corners;
        if (shape.closed) c.push_back(c.front());
        if (chance(0.3f))  // a hook as the pen lands, off to one side
            path.push_back(c[0] + rotated(normalized(c[1] - c[0]), uniform(0.8f, 2.3f) * (chance(0.5f) ? 1 : -1)) * (size * uniform(0.01f, 0.03f)));
        path.push_back(c[0]);
        for (std::size_t i = 1; i + 1 < c.size(); ++i) {
            const Vec2 in = normalized(c[i] - c[i - 1]), out = normalized(c[i + 1] - c[i]);
            const float room = std::min(distance(c[i - 1], c[i]), distance(c[i], c[i + 1])), pick = uniform(0.0f, 1.0f);
            const float over = room * uniform(0.02f, 0.08f), cut = room * uniform(0.01f, 0.04f);
            if (pick < 0.4f)  // overshoot and turn back
                path.insert(path.end(), {c[i] + in * over, c[i] + out * (over * uniform(0.0f, 0.3f))});
            else if (pick < 0.7f)  // cut the corner
                path.insert(path.end(), {c[i] - in * cut, c[i] + out * cut});
            else
                path.push_back(c[i]);
        }
        path.push_back(c.back());
        if (shape.closed && chance(0.5f))  // on past the start, or short of it
            path.push_back(c.back() + (c[1] - c[0]) * uniform(0.0f, 0.1f));
        else if (shape.closed)
            path.back() = c[c.size() - 2] + (c.back() - c[c.size() - 2]) * uniform(0.93f, 1.0f);
        return tremble(path, size);
    }

    // A curve that is no shape: an arc of 60 to 300 degrees or a wave of one to two and a
    // half periods, hand-drawn.
    std::vector<Vec2> curve(float size) {
        const Vec2 at(uniform(150.0f, 750.0f), uniform(150.0f, 750.0f));
        const float turn = uniform(0.0f, 2 * kPi), sweep = uniform(1.05f, 5.2f), periods = uniform(1.0f, 2.5f), depth = uniform(0.1f, 0.3f);
        const bool arc = chance(0.5f);
        std::vector<Vec2> path;
        for (int k = 0; k <= 128; ++k) {
            const float t = static_cast<float>(k) / 128.0f;
            const Vec2 p = arc ? Vec2(std::cos(sweep * t), std::sin(sweep * t)) * (size * 0.5f)
                               : Vec2(t * size, depth * size * std::sin(2 * kPi * periods * t));
            path.push_back(at + rotated(p, turn));
        }
        return tremble(path, size);
    }

private:
    static constexpr float kPi = 3.14159265f;
    std::mt19937 rng_;

    static bool nearSnap(float a) {
        const float off = std::fabs(a - kPi / 4 * std::round(a / (kPi / 4)));
        return off > 1e-4f && off < 7.0f * kPi / 180.0f;
    }
    float direction(float snapShare = 0.3f) {
        if (chance(snapShare)) return kPi / 4 * std::floor(uniform(0.0f, 8.0f));
        for (;;)
            if (const float a = uniform(0.0f, 2 * kPi); !nearSnap(a)) return a;
    }
    // The next side's heading: a regular polygon's turn with some play, or 40 to 150
    // degrees either way on an open path.
    float turnFrom(float heading, int sides) {
        if (sides > 0) return heading + 2 * kPi / sides * uniform(sides == 4 ? 0.6f : 0.8f, sides == 4 ? 1.4f : 1.2f);
        return heading + uniform(0.7f, 2.6f) * (chance(0.5f) ? 1 : -1);
    }
    // Sides snapped or clear of snapping; a four-sided polygon a rectangle or clearly not
    // one; a polygon convex, turning 40 to 137 degrees at each corner, closing without a
    // sliver; an open path ending far from its
    // start.
    static bool clear(const Shape& s) {
        const std::size_t n = s.corners.size(), sides = s.closed ? n : n - 1;
        int right = 0, exact = 0, left = 0;
        float length = 0.0f;
        for (std::size_t i = 0; i < sides; ++i) {
            const Vec2 d = s.corners[(i + 1) % n] - s.corners[i], e = s.corners[(i + 2) % n] - s.corners[(i + 1) % n];
            const float turn = std::fabs(std::remainder(std::atan2(e.y, e.x) - std::atan2(d.y, d.x), 2 * kPi));
            length += ::length(d);
            const auto cross = [](Vec2 a, Vec2 b) { return a.x * b.y - a.y * b.x; };
            if (nearSnap(std::atan2(d.y, d.x)) || (s.closed && (turn < 0.7f || turn > 2.4f || ::length(d) < 0.25f * ::length(e)))) return false;
            left += cross(d, e) > 0.0f;
            right += std::fabs(turn - kPi / 2) < 0.35f;
            exact += std::fabs(turn - kPi / 2) < 1e-3f;
        }
        if (!s.closed) return distance(s.corners.front(), s.corners.back()) > 0.3f * length;
        return (left == 0 || left == static_cast<int>(n)) && (n != 4 || right == 0 || exact == 4);
    }

    // Walks the path at an uneven pace with a slow drift and a tremble.
    std::vector<Vec2> tremble(const std::vector<Vec2>& path, float size) {
        const float drift = size * uniform(0.003f, 0.01f), shake = size * uniform(0.001f, 0.004f);
        const float wave = size * uniform(0.5f, 1.5f), p1 = uniform(0.0f, 2 * kPi), p2 = uniform(0.0f, 2 * kPi);
        std::vector<Vec2> out;
        float walked = 0.0f;
        for (std::size_t i = 0; i + 1 < path.size(); ++i) {
            const float len = distance(path[i], path[i + 1]);
            for (float t = 0.0f; t < len; t += uniform(1.0f, 10.0f)) {
                const float s = (walked + t) / wave * 2 * kPi;
                out.push_back(path[i] + (path[i + 1] - path[i]) * (t / len) + Vec2(std::sin(s + p1), std::cos(0.7f * s + p2)) * drift +
                              Vec2(uniform(-1, 1), uniform(-1, 1)) * shake);
            }
            walked += len;
        }
        out.push_back(path.back());
        return out;
    }
};
