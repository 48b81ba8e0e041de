// Hold to snap through the controller: which held strokes become their shape, for each
// device, how long and how still the hold; the hint comes first; one undo gives back the
// stroke as drawn, and the journal agrees; each hand holds on its own.
#include <gtest/gtest.h>

#include <cmath>

#include "ControllerHarness.h"
#include "document/DocumentInvariants.h"
#include "geometry/Rect.h"

namespace {
enum class Drawn { Circle, Rectangle, Line, Wave, SmallCircle };

// Screen pixels, y up; 10 ms between events, so a closed figure takes over a second and
// ends where it began, as a still press would.
std::vector<Vec2> path(Drawn what) {
    std::vector<Vec2> p;
    for (int i = 0; i <= 120; ++i) {
        const float t = static_cast<float>(i) / 120.0f, a = 6.2831853f * t, w = 2.5f * std::sin(9 * a);
        const float r = (what == Drawn::SmallCircle ? 12.0f : 150.0f) + w;
        if (what == Drawn::Circle || what == Drawn::SmallCircle) p.push_back(Vec2(600 + r * std::cos(a), 450 + r * std::sin(a)));
        if (what == Drawn::Line) p.push_back(Vec2(400 + 450 * t, 400 + 30 * t + w * 0.4f));  // 3.8 degrees
        if (what == Drawn::Wave) p.push_back(Vec2(400 + 400 * t, 450 + 40 * std::sin(6 * a)));
        if (what == Drawn::Rectangle) {
            const float s = 4 * t, f = s - std::floor(s), side = std::min(std::floor(s), 3.0f);
            const Vec2 c[5] = {{450, 350}, {850, 350}, {850, 600}, {450, 600}, {450, 350}};
            p.push_back(c[int(side)] + (c[int(side) + 1] - c[int(side)]) * (side == 3 && s >= 4 ? 1.0f : f) + Vec2(w, w) * 0.8f);
        }
    }
    return p;
}

float distanceToShape(const Shape& shape, Vec2 p) {
    const std::vector<Vec2> trace = tracePoints(shape, 2.0f);
    float best = INFINITY;
    for (std::size_t i = 0; i < trace.size(); ++i) {
        best = std::min(best, distance(trace[i], p));
        if (i > 0) best = std::min(best, pointSegmentDistance(trace[i - 1], trace[i], p));
    }
    return best;
}
}  // namespace

TEST(ShapeHold, WhatAHeldStrokeBecomes) {
    struct Case {
        const char* what;
        PointerKey pointer;
        Drawn drawn;
        double held;   // seconds still before the release, in 50 ms frames
        float jitter;  // pixels the pointer trembles meanwhile
        bool hints, snaps;
    };
    const Case cases[] = {
        {"mouse circle", PointerKey::mouse(), Drawn::Circle, 0.6, 0.0f, true, true},
        {"pen rectangle, trembling", PointerKey::pen(), Drawn::Rectangle, 0.6, 2.9f, true, true},
        {"finger line", PointerKey::touch(3), Drawn::Line, 0.6, 1.0f, true, true},
        {"released at once", PointerKey::pen(), Drawn::Circle, 0.0, 0.0f, false, false},
        {"held too short", PointerKey::mouse(), Drawn::Circle, 0.45, 0.0f, true, false},
        {"moving on while held", PointerKey::mouse(), Drawn::Circle, 0.6, 4.0f, false, false},
        {"a wave is no shape", PointerKey::pen(), Drawn::Wave, 0.6, 0.0f, false, false},
        {"too small to be one", PointerKey::touch(1), Drawn::SmallCircle, 0.6, 0.0f, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ControllerHarness h;
        const std::vector<Vec2> pts = path(c.drawn);
        h.controller.onPress(pts[0].x, pts[0].y, 0, 1.0f, c.pointer);
        for (const Vec2 p : pts) {
            h.seconds += 0.01;
            h.controller.onDrag(p.x, p.y, 1.0f, c.pointer);
            h.controller.tick();
        }
        std::optional<Shape> hinted;
        for (double t = 0.05; t < c.held + 1e-9; t += 0.05) {
            h.seconds += 0.05;
            const float side = (static_cast<int>(t * 20) % 2 ? c.jitter : 0.0f);
            h.controller.onDrag(pts.back().x + side, pts.back().y, 1.0f, c.pointer);
            if (!h.controller.shapeHints().empty()) hinted = h.controller.shapeHints()[0].shape;
            h.controller.tick();
        }
        h.controller.onRelease(pts.back().x, pts.back().y, 0, c.pointer);
        ASSERT_EQ(h.drawing.strokes.count(), 1u);
        EXPECT_EQ(hinted.has_value(), c.hints);
        EXPECT_FALSE(h.controller.indicator().visible || h.drawing.selectionBox.shown) << "no still press";
        const Stroke& s = *h.drawing.strokes.begin();
        const bool onShape = hinted && std::all_of(s.points.begin(), s.points.end(), [&](const ControlPoint& p) {
            return distanceToShape(*hinted, p.pos()) < 0.5f;
        });
        EXPECT_EQ(onShape, c.snaps);
        if (!c.snaps) continue;
        EXPECT_EQ(hinted->kind, c.drawn == Drawn::Circle ? Shape::Kind::Circle : c.drawn == Drawn::Line ? Shape::Kind::Line : Shape::Kind::Polyline);
        if (c.drawn == Drawn::Line) {
            EXPECT_NEAR(s.points.front().y, s.points.back().y, 1e-3f) << "snapped level";
        }
        const std::string shaped = h.drawing.pageText();
        ASSERT_TRUE(h.controller.undo());
        ASSERT_EQ(h.drawing.strokes.count(), 1u);
        const auto& drawn = h.drawing.strokes.begin()->points;
        EXPECT_TRUE(std::any_of(drawn.begin(), drawn.end(), [&](const ControlPoint& p) {
            return distanceToShape(*hinted, p.pos()) > 1.0f;
        })) << "as drawn";
        ASSERT_TRUE(h.controller.undo());
        ASSERT_TRUE(h.controller.redo() && h.controller.redo());
        EXPECT_EQ(h.drawing.pageText(), shaped);
        ASSERT_NO_FATAL_FAILURE(expectDocumentSound(h.drawing));
        ASSERT_TRUE(h.controller.finishRun());
        std::ostringstream out;
        Drawing next(out);
        CanvasController again(next);
        EXPECT_EQ(next.pageText(), shaped) << "the journal gives the same page back";
    }
}

// Two fingers draw circles at once: the one held snaps while the other goes on drawing; the
// other snaps when it is held in turn, and the undos take the shapes back one by one.
TEST(ShapeHold, EachHandHoldsOnItsOwn) {
    ControllerHarness h;
    const std::vector<Vec2> pts = path(Drawn::Circle);
    const PointerKey a = PointerKey::touch(1), b = PointerKey::touch(2);
    const Vec2 off(0, -200);
    h.controller.onPress(pts[0].x, pts[0].y, 0, 1.0f, a);
    h.seconds += 0.2;  // not landing together
    h.frameMs += 200.0;
    h.controller.onPress(pts[0].x + off.x, pts[0].y + off.y, 0, 1.0f, b);
    for (std::size_t i = 1; i < pts.size() * 2; ++i) {
        h.seconds += 0.01;
        if (i < pts.size()) h.controller.onDrag(pts[i].x, pts[i].y, 1.0f, a);
        const Vec2 q = pts[std::min(i, pts.size() - 1)] + off + Vec2(i % 2 ? 4.0f : 0.0f, 0);
        h.controller.onDrag(q.x, q.y, 1.0f, b);  // b trembles beyond the still radius
        h.controller.tick();
    }
    EXPECT_EQ(h.drawing.strokes.count(), 1u) << "a snapped before its release";
    for (int i = 0; i < 12; ++i, h.seconds += 0.05) h.controller.tick();
    EXPECT_EQ(h.drawing.strokes.count(), 2u);
    const std::string both = h.drawing.pageText();
    h.controller.onRelease(0, 0, 0, a);
    h.controller.onRelease(0, 0, 0, b);
    EXPECT_EQ(h.drawing.pageText(), both) << "the releases change nothing";
    ASSERT_TRUE(h.controller.undo() && h.controller.undo() && h.controller.undo() && h.controller.undo());
    EXPECT_EQ(h.drawing.strokes.count(), 0u);
}
