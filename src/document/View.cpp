#include "document/View.h"

#include <algorithm>
#include <cmath>

void View::screenToCanvas(float& x, float& y) const {
    x = x - viewWidth / 2.0f;
    y = y - viewHeight / 2.0f;
    x = x / zoom;
    y = y / zoom;
    const float a = -rotation * kDegToRad;
    const float c = std::cos(a);
    const float s = std::sin(a);
    const float rx = x * c - y * s;
    const float ry = y * c + x * s;
    x = rx - panX + viewWidth / 2.0f;
    y = ry - panY + viewHeight / 2.0f;
}

void View::screenDirToCanvas(float& dx, float& dy) const {
    const float a = -rotation * kDegToRad;
    const float c = std::cos(a);
    const float s = std::sin(a);
    const float rx = dx * c - dy * s;
    const float ry = dy * c + dx * s;
    dx = rx;
    dy = ry;
}

void View::rotateView(float radians) {
    rotation = std::fmod(rotation - radians * kRadToDeg, 360.0f);
}

void View::panView(float dx, float dy) {
    const float a = -rotation * kDegToRad;
    const float f = dx / zoom;
    const float g = dy / zoom;
    const float c = std::cos(a);
    const float s = std::sin(a);
    panX += f * c - g * s;
    panY += f * s + g * c;
}

void View::zoomView(float step) {
    const float z = zoom + step * 0.1f;
    zoom = z >= kMinZoom ? z : kMinZoom;
    if (zoom > kMaxZoom) zoom = kMaxZoom;
}

void View::anchor(Vec2 canvas, Vec2 screen) {
    // screenToCanvas subtracts the pan last, so with no pan it gives the pan needed.
    panX = 0.0f;
    panY = 0.0f;
    const Vec2 unpanned = screenToCanvas(screen);
    panX = unpanned.x - canvas.x;
    panY = unpanned.y - canvas.y;
}

void View::startViewReset(std::uint32_t nowMs) {
    resetStart = nowMs;
    resetElapsed = 0;
    if (resetDuration <= 0) return;  // no animation to run
    zoomStep = (zoom - 1.0f) / static_cast<float>(resetDuration);
    rotationStep = rotation / static_cast<float>(resetDuration);
}

void View::stepViewReset(std::uint32_t nowMs) {
    if (!resetRunning()) return;
    const std::uint32_t left = static_cast<std::uint32_t>(resetDuration) - resetElapsed;
    // Unsigned difference: a clock that went backwards gives a huge step, which ends the
    // animation rather than running it in reverse.
    const std::uint32_t d = std::min(nowMs - resetStart, left);
    resetStart = nowMs;
    rotation -= static_cast<float>(d) * rotationStep;
    zoom -= static_cast<float>(d) * zoomStep;
    resetElapsed += d;
}

Rect View::visibleRegion() const {
    const Vec2 centre(viewWidth / 2.0f - panX, viewHeight / 2.0f - panY);
    const float h = length(Vec2(viewWidth / zoom, viewHeight / zoom)) * 0.5f;
    return {centre.x - h, centre.y - h, centre.x + h, centre.y + h};
}
