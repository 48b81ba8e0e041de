#pragma once

#include <array>
#include <span>
#include <vector>

#include "geometry/Rect.h"
#include "geometry/Vec2.h"

class Drawing;
class Stroke;

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

    // A lasso point is added only when it is more than this far from the last one (screen).
    static constexpr float kLassoSpacing = 5.0f;

    // Fits the box to the stroke's bounding box and shows it.
    void showForStroke(const Stroke& stroke);
    // Fits the box to the union of the strokes' bounding boxes and shows it; an empty list
    // changes nothing.
    void showForSelection(std::span<Stroke* const> strokes);
    // Corners and diagonals from bounds, unrotated.
    void fitCorners();
    // Bounds, corners and the drawing's selection are kept.
    void hide() { shown = false; }
    // Whether the canvas point lies within the box's corners (edges included).
    bool contains(Vec2 p) const;

    // The corners follow the selection; bounds stay until the drawing refits them.
    void translate(Vec2 delta);
    // Corners about the centre of bounds, and diagonals, counter-clockwise by radians.
    void rotate(float radians);
    // Scales the corners about corner k: by s1 along the edge towards corner (k + 3) mod 4,
    // by s2 across it. Diagonals stay. Precondition: 0 <= k <= 3.
    void scale(float s1, float s2, int k);

    // Lasso input, screen units. Both kinds share `path`; beginning one empties it.
    void beginSelectLasso(float x, float y);
    void extendSelectLasso(float x, float y);
    void endSelectLasso();
    void beginEraseLasso(float x, float y);
    void extendEraseLasso(float x, float y);
    void endEraseLasso();

private:
    void extendPath(Vec2 p);
};
