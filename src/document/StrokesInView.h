#pragma once

#include <vector>

#include "geometry/Rect.h"

class Drawing;
class Stroke;

// The finished strokes whose bounds meet `region` (canvas units, closed), oldest first: the
// strokes a frame draws when `region` is the view's visible region. Found through the
// index's stroke boxes and the strokes under a deformation drag (out of the index until
// it ends), so the cost follows the strokes near the region, not the page. `out` is
// replaced.
void strokesInView(const Drawing& drawing, const Rect& region, std::vector<Stroke*>& out);
