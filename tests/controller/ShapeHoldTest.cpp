// Hold to snap through the controller: which held strokes become their shape (device, how
// long, how still); the hint comes first; one undo gives back the stroke as drawn and the
// journal agrees; each hand holds on its own.
#include <gtest/gtest.h>

#include <cmath>

#include "ControllerHarness.h"
#include "document/DocumentInvariants.h"

namespace {
enum class Drawn { Circle, Line, Wave, Small };

// Screen pixels; a circle ends where it began, over a second after the press.
Vec2 at(Drawn what, float t) {
    const float a = 6.2831853f * t, w = 2.5f * std::sin(9 * a), r = what == Drawn::Small ? 12.0f : 150.0f + w;
    if (what == Drawn::Line) return {400 + 450 * t, 400 + 30 * t + w * 0.4f};  // 3.8 degrees
    if (what == Drawn::Wave) return {400 + 400 * t, 450 + 40 * std::sin(6 * a)};
    return {600 + r * std::cos(a), 450 + r * std::sin(a)};
}

// Draws in 120 events 10 ms apart, then rests (trembling by `jitter`) in 50 ms frames.
std::optional<Shape> drawAndHold(ControllerHarness& h, PointerKey p, Drawn what, double held, float jitter) {
    h.controller.onPress(at(what, 0).x, at(what, 0).y, 0, 1.0f, p);
    std::optional<Shape> hint;
    for (int i = 1; i <= 120 + static_cast<int>(held * 20 + 1e-6); ++i) {
        h.seconds += i <= 120 ? 0.01 : 0.05;
        const Vec2 q = at(what, std::min(i, 120) / 120.0f) + Vec2(i > 120 && i % 2 ? jitter : 0.0f, 0);
        h.controller.onDrag(q.x, q.y, 1.0f, p);
        if (!h.controller.shapeHints().empty()) hint = h.controller.shapeHints()[0].shape;
        h.controller.tick();
    }
    h.controller.onRelease(at(what, 1).x, at(what, 1).y, 0, p);
    return hint;
}

float offShape(const Shape& shape, const Stroke& s) {  // the farthest control point
    const std::vector<Vec2> trace = tracePoints(shape, 1.0f);
    float worst = 0.0f;
    for (const ControlPoint& p : s.points) {
        float best = INFINITY;
        for (const Vec2 q : trace) best = std::min(best, distance(q, p.pos()));
        worst = std::max(worst, best);
    }
    return worst;
}
}  // namespace

TEST(ShapeHold, WhatAHeldStrokeBecomes) {
    struct Case { PointerKey pointer; Drawn drawn; double held; float jitter; bool hints, snaps; };
    for (const Case c : {Case{PointerKey::mouse(), Drawn::Circle, 0.6, 0.0f, true, true},
                         Case{PointerKey::pen(), Drawn::Circle, 0.6, 2.9f, true, true},
                         Case{PointerKey::touch(3), Drawn::Line, 0.6, 1.0f, true, true},
                         Case{PointerKey::pen(), Drawn::Circle, 0.0, 0.0f, false, false},
                         Case{PointerKey::mouse(), Drawn::Circle, 0.45, 0.0f, true, false},
                         Case{PointerKey::mouse(), Drawn::Circle, 0.6, 4.0f, false, false},
                         Case{PointerKey::pen(), Drawn::Wave, 0.6, 0.0f, false, false},
                         Case{PointerKey::touch(1), Drawn::Small, 0.6, 0.0f, false, false}}) {
        SCOPED_TRACE(testing::Message() << int(c.drawn) << " held " << c.held << " jitter " << c.jitter);
        ControllerHarness h;
        const std::optional<Shape> hint = drawAndHold(h, c.pointer, c.drawn, c.held, c.jitter);
        ASSERT_EQ(h.drawing.strokes.count(), 1u);
        EXPECT_EQ(hint.has_value(), c.hints);
        EXPECT_FALSE(h.controller.indicator().visible || h.drawing.selectionBox.shown) << "no still press";
        EXPECT_EQ(hint && offShape(*hint, *h.drawing.strokes.begin()) < 0.6f, c.snaps);
        if (!c.snaps) continue;
        const std::string shaped = h.drawing.pageText();
        ASSERT_TRUE(h.controller.undo());
        EXPECT_GT(offShape(*hint, *h.drawing.strokes.begin()), 1.0f) << "as drawn";
        ASSERT_TRUE(h.controller.undo() && h.controller.redo() && h.controller.redo());
        EXPECT_EQ(h.drawing.pageText(), shaped);
        ASSERT_NO_FATAL_FAILURE(expectDocumentSound(h.drawing));
        ASSERT_TRUE(h.controller.finishRun());
        std::ostringstream out;
        Drawing next(out);
        CanvasController again(next);
        EXPECT_EQ(next.pageText(), shaped) << "the journal gives the same page back";
    }
}

// One finger holds and snaps while another draws on.
TEST(ShapeHold, EachHandHoldsOnItsOwn) {
    ControllerHarness h;
    const PointerKey a = PointerKey::touch(1), b = PointerKey::touch(2);
    h.controller.onPress(at(Drawn::Circle, 0).x, at(Drawn::Circle, 0).y, 0, 1.0f, a);
    h.seconds += 0.2;
    h.frameMs += 200.0;  // not landing together
    h.controller.onPress(400, 200, 0, 1.0f, b);
    for (int i = 1; i <= 240; ++i, h.seconds += 0.01) {
        const Vec2 q = at(Drawn::Circle, std::min(i, 120) / 120.0f);
        h.controller.onDrag(q.x, q.y, 1.0f, a);
        h.controller.onDrag(400, 200 + 5.0f * (i % 2), 1.0f, b);  // never still
        h.controller.tick();
    }
    EXPECT_EQ(h.drawing.strokes.count(), 1u) << "a snapped before its release";
    h.controller.onRelease(0, 0, 0, a);
    h.controller.onRelease(400, 200, 0, b);
    EXPECT_EQ(h.drawing.strokes.count(), 2u);
    ASSERT_TRUE(h.controller.undo() && h.controller.undo() && h.controller.undo());
    EXPECT_EQ(h.drawing.strokes.count(), 0u) << "b's stroke, a's shape, a's stroke";
}
