#pragma once

#include <array>
#include <vector>

#include "geometry/Rect.h"
#include "geometry/Vec2.h"

class Drawing;

// The selection's box, corner handles and lasso path as the renderer and the controller's
// hit test read them. It never owns strokes; the drawing's `selection` lists them.
struct SelectionBox {
    Rect bounds;  // around the selected strokes, canvas units
    bool shown = false;
    bool selectLassoActive = false;
    bool eraseLassoActive = false;
    float cornerCircleSize = 25.0f;  // diameter of a corner handle, screen units
    Drawing* owner = nullptr;        // maps screen points for the handle hit test
    float handleSize = 15.0f;        // distance scale of the handles, screen units
    // Corner 0 = (minX, minY), 1 = (minX, maxY), 2 = (maxX, maxY), 3 = (maxX, minY) when
    // fitted; they follow moves, rotations and scalings. Canvas units.
    std::array<Vec2, 4> corners{};
    // Outward diagonal of each corner: (-1, -1), (-1, 1), (1, 1), (1, -1) when fitted.
    std::array<Vec2, 4> diagonals{};
    Vec2 selectStart, selectCurrent;  // selection lasso, screen units
    Vec2 eraseStart, eraseCurrent;    // erase lasso, screen units
    std::vector<Vec2> path;           // the active lasso's points, screen units

    void hide() { shown = false; }
};
