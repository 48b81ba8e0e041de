#include "controller/DragGestures.h"

#include <cmath>
#include <iostream>

#include "controller/CanvasController.h"
#include "controller/GestureRecord.h"
#include "document/Drawing.h"

namespace gestures {
namespace {
// Pointer travel before a slider acts or an edge gesture is decided, screen pixels.
constexpr float kDeadZone = 5.0f;

float degreesBetween(Vec2 u, Vec2 v) { return angleBetween(u, v) * 57.2957763671875f; }

// Brush size accepted from the slider: at least 0.5, below 25.5 (not clamped).
void adjustBrushSize(Drawing& d, float s, float step) {
    const float v = d.brush.size + s * 0.25f * step;
    if (v >= 0.5f && v < 25.5f) d.brush.size = v;
}

void adjustSmoothness(Drawing& d, float s, float step) {
    const float v = d.smoothness * (1.0f + s * 0.15f * step);
    std::cout << "error: " << v << "\n";
    if (v > 0.5f && v <= 10.0f)
        d.smoothness = v;
    else if (d.smoothness > 10.0f)
        d.smoothness = 10.0f;  // pushed past the range by the keys
    else if (d.smoothness < 0.5f)
        d.smoothness = 1.0f;
}
}  // namespace

void menuSliderDrag(CanvasController& c, GestureRecord& r, float x, float y, float dx, float dy) {
    if (distance({x, y}, {r.press.x, r.press.y}) < kDeadZone || r.menuItem <= 0) return;
    if (r.menuItem > 4) return;  // a drag over a pen toggle changes nothing
    const RadialMenu& m = c.menu;
    const auto& angles = r.menuItem <= 2 ? m.drawSliderAngles : m.editSliderAngles;
    // The slider's own angle alone, not accumulated as when the menu is drawn.
    Vec2 ray(-(m.innerRadius + m.size * 0.5f), 0.0f);
    rotate(ray, angles[(r.menuItem - 1) % 2] * kDegToRad);
    const Vec2 p = m.position + ray;
    const Vec2 towardsCentre = normalized(-ray);
    const Vec2 a = r.last - p;
    const Vec2 b = Vec2(x, y) - p;
    const float step = length({dx, dy});
    const bool outwards = length(b) > length(a);
    const float s = degreesBetween(towardsCentre, a) < 90.0f ? (outwards ? 1.0f : -1.0f)
                                                             : (outwards ? -1.0f : 1.0f);
    Drawing& d = *c.drawing;
    switch (r.menuItem) {
        case 1:
            adjustBrushSize(d, s, step);
            break;
        case 2:
            adjustSmoothness(d, s, step);
            break;
        case 3:
            d.deformTool.rescale(1.0f + s * 0.05f * step, 70.0f);
            break;
        case 4:
            d.deformTool.scaleFalloff(1.0f + s * 0.05f * step);
            break;
        default:
            break;
    }
}

void borderDrag(CanvasController& c, GestureRecord& r, float x, float y, float dx, float dy) {
    Drawing& d = *c.drawing;
    const Vec2 move(x - r.press.x, y - r.press.y);
    switch (r.gesture) {
        case -1: {
            if (length(move) < kDeadZone) return;
            const Vec2 inward = r.press.y < c.borderMargin                  ? Vec2(0.0f, 1.0f)
                                : r.press.y > c.viewHeight - c.borderMargin ? Vec2(0.0f, -1.0f)
                                : r.press.x < c.borderMargin                ? Vec2(1.0f, 0.0f)
                                                                            : Vec2(-1.0f, 0.0f);
            if (degreesBetween(inward, move) < 70.0f) {
                c.logCommand(13);
                r.gesture = 0;
            } else {
                c.logCommand(12);
                r.gesture = 1;
            }
            return;
        }
        case 0:
            d.panView(dx, dy);
            return;
        case 1: {
            const Vec2 p(x - c.viewWidth * 0.5f, y - c.viewHeight * 0.5f);
            const Vec2 q = p + Vec2(dx, dy);
            d.rotateView(angleTo(q, p));
            return;
        }
        default:
            break;
    }
    if (r.gesture < 5 || r.gesture > 8) return;
    c.menu.hitState = 0;
    struct Corner {
        Vec2 at, diagonal;
        float gain;
    };
    const float w = c.viewWidth, h = c.viewHeight;
    const Corner corner = r.gesture == 5   ? Corner{{0, 0}, {1, 1}, -0.1f}
                          : r.gesture == 6 ? Corner{{w, 0}, {-1, 1}, 0.1f}
                          : r.gesture == 8 ? Corner{{0, h}, {1, -1}, -0.1f}
                                           : Corner{{w, h}, {-1, -1}, 0.1f};
    const Vec2 sp = r.press - corner.at;
    const Vec2 a = Vec2(x, y) - corner.at;
    const Vec2 b = corner.at - r.last;
    const float tau = angleTo(corner.diagonal, sp);
    const float step = length({dx, dy});
    const bool away = length(a) > length(b);
    const float z = (tau < 0.0f) == away ? -step * corner.gain : step * corner.gain;
    d.zoomView(z);
}

void handleDrag(CanvasController& c, GestureRecord& r, float x, float y, float dx, float dy) {
    Drawing& d = *c.drawing;
    const SelectionBox& box = d.selectionBox;
    const Vec2 centre = box.bounds.centre();
    if (r.handleOp == -1) {
        Vec2 v(x - r.press.x, y - r.press.y);
        if (length(v) < kDeadZone) return;
        if (r.handleIndex >= 0 && r.handleIndex <= 3) {
            const float theta = degreesBetween(box.diagonals[r.handleIndex], v);
            if (theta < 45.0f || theta > 135.0f) {
                c.logCommand(5);
                r.handleOp = 2;
            } else {
                c.logCommand(7);
                r.handleOp = 1;
            }
        } else {
            d.screenDirToCanvas(v.x, v.y);
            const int k = r.handleIndex - 4;
            const Vec2 dir = r.handleIndex <= 7 ? box.corners[k] - box.corners[(k + 1) % 4]
                                                : box.diagonals[r.handleIndex - 8] -
                                                      box.corners[(r.handleIndex - 3) % 4];
            if (degreesBetween(dir, v) < 70.0f) {
                c.logCommand(6);
                r.handleOp = 0;
            } else {
                c.logCommand(7);
                r.handleOp = 1;
            }
        }
        return;
    }
    if (r.handleOp == 0) {
        d.moveSelection(dx, dy);
    } else if (r.handleOp == 1) {
        float px = x, py = y, sx = dx, sy = dy;
        d.screenToCanvas(px, py);
        d.screenDirToCanvas(sx, sy);
        const Vec2 a = Vec2(px, py) - centre;
        const Vec2 b = a + Vec2(sx, sy);
        d.rotateSelection(-angleTo(b, a));
    } else if (r.handleOp == 2) {
        d.scaleSelection(x, y, dx, dy, r.handleIndex);
    }
}

}  // namespace gestures
