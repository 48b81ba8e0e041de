#pragma once

#include <functional>
#include <random>

#include "controller/CanvasController.h"
#include "document/Drawing.h"

// One plain action, for tests that need no selections: a stroke or an eraser swipe of six
// steps starting in [left, right] x [top, bottom] and reaching up to `reach` away (screen
// points), an undo or a redo.
inline void scribbleOnce(CanvasController& c, std::mt19937_64& rng, float left, float right, float top,
                         float bottom, float reach) {
    std::uniform_real_distribution<float> x(left, right), y(top, bottom), d(-reach, reach);
    const int what = static_cast<int>(rng() % 8);
    if (what == 6) {
        c.undo();
    } else if (what == 7) {
        c.redo();
    } else {
        const int button = what == 5 ? 1 : 0;
        const float x0 = x(rng), y0 = y(rng), dx = d(rng), dy = d(rng);
        c.onPress(x0, y0, button, 1.0f);
        for (int s = 1; s <= 6; ++s) c.onDrag(x0 + dx * s / 6, y0 + dy * s / 6, 1.0f);
        c.onRelease(x0 + dx, y0 + dy, button);
    }
}

// Random input on a shared board (any type with `controller`, `drawing` and `seconds`):
// strokes, eraser swipes, erase lassos, selections moved, turned and resized by their
// handles, clears, colours, papers, undo and redo; a third of it on the same small spot, where a few
// strokes meet. `between(board)` runs between the events of a gesture and after each
// action, where the network may move.
template <typename Board>
class RandomInput {
public:
    RandomInput(std::mt19937_64& rng, std::function<void(Board&)> between)
        : rng_(rng), between_(std::move(between)) {}

    void act(Board& b) {
        const auto pick = [&](int n) { return static_cast<int>(rng_() % static_cast<std::uint64_t>(n)); };
        switch (pick(13)) {
            case 0: case 1: case 2: gesture(b, 0, 12); break;           // a stroke
            case 3: gesture(b, 1, 8); break;                            // an eraser swipe
            case 4: lasso(b); break;
            case 5: case 6: transform(b); break;
            case 7: if (pick(4) == 0) b.controller.onKey("C"); break;   // a clear, now and then
            case 8: b.controller.selectColour(pick(8)); gesture(b, 0, 6); break;
            case 9: case 10: b.controller.undo(); break;
            case 11: b.controller.setPaper(static_cast<io::Paper>(pick(io::kPaperKinds))); break;
            default: b.controller.redo(); break;
        }
        // Leave no selection, indicator or palette behind.
        if (b.drawing.selectionBox.shown) {
            b.controller.onPress(1000.0f, 800.0f, 0, 1.0f);
            b.controller.onRelease(1000.0f, 800.0f, 0);
        }
        b.seconds += 10.0;
        b.controller.tick();
        between_(b);
    }

private:
    // Screen points.
    Vec2 somewhere() {
        std::uniform_real_distribution<float> x(350.0f, 900.0f), y(150.0f, 800.0f), hot(0.0f, 100.0f);
        if (rng_() % 3 == 0) return {500.0f + hot(rng_), 400.0f + hot(rng_)};
        return {x(rng_), y(rng_)};
    }

    void drag(Board& b, Vec2 from, Vec2 to, int button, int steps) {
        b.controller.onPress(from.x, from.y, button, 1.0f);
        for (int i = 1; i <= steps; ++i) {
            const Vec2 p = from + (to - from) * (static_cast<float>(i) / static_cast<float>(steps));
            b.controller.onDrag(p.x, p.y, 1.0f);
            b.controller.onPointer(p.x, p.y);
            if (rng_() % 4 == 0) between_(b);
        }
        b.controller.onRelease(to.x, to.y, button);
    }

    void gesture(Board& b, int button, int steps) {
        const Vec2 from = somewhere();
        std::uniform_real_distribution<float> d(-150.0f, 150.0f);
        drag(b, from, from + Vec2(d(rng_), d(rng_)), button, steps);
    }

    void hold(Board& b, Vec2 at, int button) {
        b.seconds += 10.0;
        b.controller.onPress(at.x, at.y, button, 1.0f);
        b.seconds += 1.5;
        b.controller.onRelease(at.x, at.y, button);
    }

    void lasso(Board& b) {
        const Vec2 at = somewhere();
        hold(b, at, 1);
        if (!b.controller.indicator().visible) return;
        std::uniform_real_distribution<float> d(-120.0f, 120.0f);
        drag(b, at, at + Vec2(d(rng_), d(rng_)), 1, 10);
    }

    // Holds on a stroke to select it, then drags one of the box's handles.
    void transform(Board& b) {
        if (b.drawing.strokes.empty()) return;
        const int n = static_cast<int>(b.drawing.strokes.count());
        auto it = b.drawing.strokes.begin();
        std::advance(it, static_cast<long>(rng_() % static_cast<std::uint64_t>(n)));
        const ControlPoint& p = it->points[rng_() % it->points.size()];
        hold(b, Vec2(p.x, p.y) + Vec2(50.0f, 50.0f), 0);
        if (!b.drawing.selectionBox.shown) return;
        const SelectionBox& box = b.drawing.selectionBox;
        Vec2 h[4];
        for (int i = 0; i < 4; ++i)
            h[i] = (box.corners[i] * 2.0f + box.diagonals[i] * box.handleSize) * 0.5f;
        const int k = static_cast<int>(rng_() % 8);
        const Vec2 grip = (k < 4 ? h[k] : (h[k - 4] + h[(k - 3) % 4]) * 0.5f) + Vec2(50.0f, 50.0f);
        std::uniform_real_distribution<float> d(-60.0f, 60.0f);
        drag(b, grip, grip + Vec2(d(rng_), d(rng_)), 0, 10);
    }

    std::mt19937_64& rng_;
    std::function<void(Board&)> between_;
};
