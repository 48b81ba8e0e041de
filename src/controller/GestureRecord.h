#pragma once

#include <cstddef>

#include "controller/ShapeHold.h"
#include "geometry/PointerKey.h"
#include "geometry/Vec2.h"

// One pointer's gesture, from its press to its release: what the press landed on, what it
// began, and how its drags are read. Positions are screen pixels (y up).
struct GestureRecord {
    // What the press landed on. Every target but the canvas is a shared control, which one
    // pointer at a time holds.
    enum class Target { Canvas = 0, Frame = 1, Menu = 2, Handle = 3, Indicator = 4 };
    // What the press began, so that its drags continue and its release ends exactly that.
    // Snapped: a stroke held still became its clean shape; the rest of the press draws
    // nothing.
    enum class Began { Nothing, Stroke, Erase, Deform, Lasso, ViewGesture, Snapped };

    PointerKey pointer;
    int button = 0;  // 0 primary, 1 other
    Target target = Target::Canvas;
    Began began = Began::Nothing;
    int gesture = -1;      // frame: -1 undecided, 0 pan, 1 rotate, 5..8 zoom from a corner
    int handleIndex = -1;  // handle: 0..3 corners, 4..7 edges, 8..10 action icons
    int handleOp = -1;     // handle: -1 undecided, 0 move, 1 rotate, 2 scale
    int menuItem = -1;     // menu: the engaged slider or toggle, 1..6
    Vec2 press;
    double pressSeconds = 0.0;  // stopwatch reading at the press
    double pressMs = 0.0;  // frame clock at the press, milliseconds
    Vec2 last;             // previous press or drag position
    float lastPressure = 1.0f;
    float travel = 0.0f;        // farthest the pointer has been from the press, pixels
    std::size_t strokeLog = 0;  // the stroke's entry in the command log (began Stroke)
    ShapeHold hold;             // began Stroke: the pointer resting before its release
};
