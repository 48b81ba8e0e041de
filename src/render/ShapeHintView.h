#pragma once

#include "geometry/Rgb.h"

class Drawing;
struct Shape;

// A held stroke's recognised shape as a faint thin line over its ink (canvas units, under
// the drawing's view), in a hue that stands out on `ink`, so the hand sees what it will
// snap to. Leaves the model-view, the line width and texturing as it found them.
void drawShapeHint(const Drawing& drawing, const Shape& shape, Rgb ink);
