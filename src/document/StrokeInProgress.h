#pragma once

#include <cstdint>
#include <memory>

#include "brush/BrushDynamics.h"
#include "geometry/PointerKey.h"
#include "geometry/Stroke.h"

// The stroke one pointer is drawing, from its press to its release, with what shapes it
// as it grows: its simplification cursor, its travel and its brush follower.
struct StrokeInProgress {
    PointerKey pointer;
    std::unique_ptr<Stroke> stroke;      // null when the press landed off the page
    std::int32_t firstUnsimplified = 1;  // first point of `stroke` not yet simplified
    float travelled = 0.0f;              // screen travel since the last added point, pixels
    Vec2 lastPosition;                   // the pointer's latest event, screen pixels
    // Drawn with the brush's own follower (the first pointer to draw while it is free);
    // otherwise with `follower`.
    bool sharedFollower = false;
    BrushFollower follower;
};
