#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "geometry/ControlPoint.h"
#include "geometry/Rgb.h"
#include "geometry/Shape.h"
#include "geometry/Vec2.h"

class Stroke;

// Hold to snap, for one pointer drawing a stroke. The pointer rests while it stays within
// kStillPx of where it came to rest; any farther move starts a new rest and drops what the
// last one found. kHintSeconds into a rest the stroke is recognised, once; its shape, if
// any, is the hint shown under the pen, and kSnapSeconds into the same rest the hint
// replaces the stroke. No hint, no snap. Times are stopwatch seconds, positions screen
// pixels.
class ShapeHold {
public:
    static constexpr float kStillPx = 3.0f;
    // A moment's wait before the hint, so that a slow pen's passing pauses do not flash
    // outlines while it writes.
    static constexpr double kHintSeconds = 0.15;
    static constexpr double kSnapSeconds = 0.5;

    ShapeHold() = default;
    ShapeHold(Vec2 at, double now) : anchor_(at), since_(now) {}

    void moved(Vec2 at, double now);
    // Brings the hold up to `now`, calling `recognise` when the hint is due. True when the
    // snap is due: hint() should replace the stroke.
    bool update(double now, const std::function<std::optional<Shape>()>& recognise);
    const std::optional<Shape>& hint() const { return shape_; }
    // Whether time alone may still bring a hint or a snap, so frames must keep coming.
    bool waiting() const { return !tried_ || shape_.has_value(); }

private:
    Vec2 anchor_;
    double since_ = 0.0;
    bool tried_ = false;
    std::optional<Shape> shape_;
};

// A recognised shape as the window outlines it, with its stroke's colour.
struct ShapeHint {
    Shape shape;
    Rgb colour;
};

// The shape a stroke in progress was meant as: its control points and `heldAt`, where the
// pointer rests (canvas units). Shapes smaller than a fixed size on screen at `zoom` are
// none: small marks are letters and dots.
std::optional<Shape> recogniseHeldStroke(const Stroke& drawn, Vec2 heldAt, float zoom);

// Control points of the stroke that draws `shape` in place of `drawn`: as closely spaced on
// screen as a drawn stroke's at `zoom`, with the mean radius and opacity of the drawn ones.
std::vector<ControlPoint> snappedPoints(const Stroke& drawn, const Shape& shape, float zoom);
