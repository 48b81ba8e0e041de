#pragma once

#include <cstdint>

#include "geometry/Rect.h"
#include "geometry/Vec2.h"

// The view onto the canvas and its reset animation. The renderer maps canvas to screen by
// translating to the viewport centre, scaling by zoom, rotating by rotation (degrees,
// counter-clockwise, y-up) and translating by (panX - viewWidth/2, panY - viewHeight/2);
// screenToCanvas is its inverse.
struct View {
    static constexpr float kMinZoom = 0.1f;
    static constexpr float kMaxZoom = 10.0f;

    float rotation = 0.0f;  // degrees
    float panX = 50.0f;     // canvas units
    float panY = 50.0f;
    float zoom = 1.0f;       // screen pixels per canvas unit, kept in [0.1, 10] by zoomView
    float viewWidth = 1.0f;  // viewport, screen pixels
    float viewHeight = 1.0f;

    // Reset animation. Times are milliseconds of one monotonic clock, passed by the caller
    // to both startViewReset and stepViewReset.
    std::uint32_t resetStart = 0;
    std::int32_t resetDuration = 1000;
    std::uint32_t resetElapsed = 0;
    float zoomStep = 0.0f;      // zoom lost per millisecond of the animation
    float rotationStep = 0.0f;  // degrees lost per millisecond of the animation

    // Screen position (pixels, y-up) to canvas position, in place.
    void screenToCanvas(float& x, float& y) const;
    Vec2 screenToCanvas(Vec2 p) const {
        screenToCanvas(p.x, p.y);
        return p;
    }
    // A screen direction turned into canvas orientation (rotation only, no scaling), in place.
    void screenDirToCanvas(float& dx, float& dy) const;

    // Rotates the view by `radians` (counter-clockwise on screen lowers rotation). The
    // result keeps fmod's sign, so rotation lies in (-360, 360).
    void rotateView(float radians);
    // Moves the canvas by a screen displacement (pixels).
    void panView(float dx, float dy);
    // zoom + step * 0.1, clamped to [0.1, 10].
    void zoomView(float step);
    // Pans so that the canvas point lies under the screen point, at the present zoom and
    // rotation.
    void anchor(Vec2 canvas, Vec2 screen);

    void startViewReset(std::uint32_t nowMs);
    // One step of the animation towards rotation 0 and zoom 1; nothing once it has run for
    // resetDuration. The step is limited to the time left, so a late frame cannot carry
    // the zoom past 1 (towards zero or below, where the mapping breaks down).
    void stepViewReset(std::uint32_t nowMs);
    bool resetRunning() const {
        return resetElapsed < static_cast<std::uint32_t>(resetDuration > 0 ? resetDuration : 0);
    }

    // A canvas square around the viewport's centre that covers the viewport at any rotation.
    Rect visibleRegion() const;
};
