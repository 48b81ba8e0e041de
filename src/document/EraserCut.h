#pragma once

#include <vector>

#include "geometry/ControlPoint.h"
#include "geometry/Rect.h"

class Stroke;

// What an eraser square takes out of one run of a stroke's segments.
//
// The run's segments are resampled every 5 canvas units into samples T, and the path
// P[first], T[0], ..., T[m-1], P[last] is walked piece by piece. The first contiguous
// stretch of pieces that meet the square is erased; the stroke is cut there into
//   before = P[0..first] followed by the samples before that stretch, and
//   after  = the samples from the end of that stretch on, followed by P[last..n-1].
// The sample that starts the erased stretch is dropped with it, so the part before stops
// one sample short of the square. Later stretches of the same run stay in `after`; the
// next eraser event finds them.
struct EraserCut {
    bool erased = false;        // some piece of the path meets the square
    bool touchesStart = false;  // the erased stretch starts at the stroke's first point
    bool reachesEnd = false;    // the erased stretch runs into the stroke's last point
    std::vector<ControlPoint> before;
    std::vector<ControlPoint> after;
};

// Spacing of the eraser's samples, canvas units.
inline constexpr float kEraserSpacing = 5.0f;

// `first` and `last` as found by Stroke::findRunInRect: 0 <= first < last <= n - 1.
EraserCut cutRun(const Stroke& stroke, const Rect& eraser, int first, int last);
