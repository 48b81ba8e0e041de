#pragma once

#include <cstdint>
#include <functional>

#include "geometry/PointerKey.h"

class SurfaceEvent;
class SurfaceManager;
class VisComponent;

// Turns device input into PRESS, DRAG and RELEASE events in screen coordinates and hands
// each to the routing step with its button flag (0 primary, 1 other, -1 on drags), its
// pressure and the component picked under a press. Each event carries its pointer: the
// mouse, the pen, or the touch contact with the given id.
class InputRouter {
public:
    enum class Source : std::uint32_t { Mouse = 0, Tablet = 1, Contact = 2 };
    using Route = std::function<void(SurfaceEvent&, int altButton, float pressure, VisComponent*)>;

    InputRouter(SurfaceManager& scene, Route route);

    // Height of the widget in pixels; y is flipped against it.
    void setCanvasHeight(std::uint32_t h) { canvasHeight_ = h; }
    std::uint32_t canvasHeight() const { return canvasHeight_; }

    // Positions are widget pixels, origin top left, y down. `contact` tells touch contacts
    // apart and is not used for the mouse and the tablet.
    void press(Source s, int x, int y, int altButton, float pressure, std::int64_t contact = 0);
    void move(Source s, int x, int y, float pressure, std::int64_t contact = 0);
    void release(Source s, int x, int y, int altButton, std::int64_t contact = 0);

    // Screen y for a widget y. Formed in unsigned 32-bit arithmetic, so a position below the
    // bottom edge wraps to near 2^32 (the controller ignores such drags). Contacts sit one
    // pixel lower than mouse and tablet positions.
    double screenY(Source s, int y) const;

    static PointerKey pointerOf(Source s, std::int64_t contact);

private:
    std::uint32_t eventSource(Source s) const { return s == Source::Tablet ? 1u : 0u; }

    SurfaceManager& scene_;
    Route route_;
    std::uint32_t canvasHeight_ = 1600;
    std::uint32_t pressType_, dragType_, releaseType_;
};
