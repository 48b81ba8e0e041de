#pragma once

#include <vector>

#include "geometry/Rect.h"
#include "geometry/Vec2.h"

// The secondary-button deformation tool: a shape taken from a selected stroke. Empty (no
// shape) until the user defines it.
struct DefinedBrushTool {
    std::vector<Vec2> shape;         // triangle-strip vertices relative to position
    std::vector<Vec2> testedPoints;  // points offered to the last displacement
    std::vector<Vec2> movedPoints;   // points the last displacement moved, after the move
    Vec2 position;                   // canvas units
    Vec2 screenPosition;             // screen units
    Rect bounds;                     // around shape, relative to position
};
