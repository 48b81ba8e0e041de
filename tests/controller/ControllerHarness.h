#pragma once

#include <sstream>

#include "controller/CanvasController.h"
#include "document/Drawing.h"
#include "support/TempWorkDir.h"

// A controller over a real drawing in an empty working directory, with clocks the test
// sets: `seconds` drives the stopwatch, `frameMs` the frame clock.
struct ControllerHarness {
    TempWorkDir dir;
    std::ostringstream out;
    double seconds = 0.0;
    double frameMs = 0.0;
    Drawing drawing{out};
    CanvasController controller{drawing, Stopwatch([this] { return seconds; }),
                                [this] { return frameMs; }};

    explicit ControllerHarness(float w = 1200.0f, float h = 900.0f) {
        controller.setViewSize(w, h);
        drawing.view.viewWidth = w;
        drawing.view.viewHeight = h;
    }
    // The gesture of the pointer holding `target` (any target but the canvas), or null.
    const GestureRecord* holder(GestureRecord::Target target) const {
        return controller.gestures().holder(target);
    }
    bool anyDown() const { return !controller.gestures().empty(); }
    // What the pointers holding the band, the menu and a handle are doing; -1 when none holds it.
    int frameGesture() const { return heldField(GestureRecord::Target::Frame, &GestureRecord::gesture); }
    int menuItem() const { return heldField(GestureRecord::Target::Menu, &GestureRecord::menuItem); }
    int handleIndex() const {
        return heldField(GestureRecord::Target::Handle, &GestureRecord::handleIndex);
    }
    int heldField(GestureRecord::Target target, int GestureRecord::*field) const {
        const GestureRecord* r = holder(target);
        return r ? r->*field : -1;
    }
    void tap(float x, float y, int button = 0) {
        controller.onPress(x, y, button, 1.0f);
        controller.onRelease(x, y, button);
    }
    // A primary-button drag in a straight line, one event every `step` pixels.
    void stroke(float x0, float y0, float x1, float y1, int button = 0, float step = 5.0f) {
        controller.onPress(x0, y0, button, 1.0f);
        const float len = std::hypot(x1 - x0, y1 - y0);
        const int n = static_cast<int>(len / step);
        for (int i = 1; i <= n; ++i) {
            const float t = static_cast<float>(i) / static_cast<float>(n);
            const float x = x0 + (x1 - x0) * t, y = y0 + (y1 - y0) * t;
            controller.onDrag(x, y, 1.0f);
            controller.onPointer(x, y);
        }
        controller.onRelease(x1, y1, button);
    }
};
