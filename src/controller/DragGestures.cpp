#include "controller/DragGestures.h"

#include <cmath>
#include <iostream>

#include "controller/BorderZones.h"
#include "controller/GestureRecord.h"
#include "controller/RadialMenu.h"
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

void menuSliderDrag(Drawing& d, const RadialMenu& m, const GestureRecord& r, float x, float y,
                    float dx, float dy) {
    if (distance({x, y}, {r.press.x, r.press.y}) < kDeadZone || r.menuItem <= 0) return;
    if (r.menuItem > 4) return;  // a drag over a pen toggle changes nothing
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

std::optional<int> borderDrag(Drawing& d, const BorderZones& zones, GestureRecord& r, float x,
                              float y, float dx, float dy) {
    const Vec2 move(x - r.press.x, y - r.press.y);
    const float band = zones.margin;
    switch (r.gesture) {
        case -1: {
            if (length(move) < kDeadZone) return std::nullopt;
            const Vec2 inward = r.press.y < band                  ? Vec2(0.0f, 1.0f)
                                : r.press.y > zones.height - band ? Vec2(0.0f, -1.0f)
                                : r.press.x < band                ? Vec2(1.0f, 0.0f)
                                                                  : Vec2(-1.0f, 0.0f);
            r.gesture = degreesBetween(inward, move) < 70.0f ? 0 : 1;
            return r.gesture == 0 ? 13 : 12;
        }
        case 0:
            d.panView(dx, dy);
            return std::nullopt;
        case 1: {
            const Vec2 p(x - zones.width * 0.5f, y - zones.height * 0.5f);
            const Vec2 q = p + Vec2(dx, dy);
            d.rotateView(angleTo(q, p));
            return std::nullopt;
        }
        default:
            break;
    }
    if (r.gesture < 5 || r.gesture > 8) return std::nullopt;
    struct Corner {
        Vec2 at, diagonal;
        float gain;
    };
    const float w = zones.width, h = zones.height;
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
    return std::nullopt;
}

std::optional<int> handleDrag(Drawing& d, GestureRecord& r, float x, float y, float dx, float dy) {
    const SelectionBox& box = d.selectionBox;
    const Vec2 centre = box.bounds.centre();
    if (r.handleOp == -1) {
        // Decided once: 2 scale, 1 rotate, 0 move; logged as 5, 7 and 6.
        static constexpr int kLogged[] = {6, 7, 5};
        Vec2 v(x - r.press.x, y - r.press.y);
        if (length(v) < kDeadZone) return std::nullopt;
        if (r.handleIndex >= 0 && r.handleIndex <= 3) {
            const float theta = degreesBetween(box.diagonals[r.handleIndex], v);
            r.handleOp = theta < 45.0f || theta > 135.0f ? 2 : 1;
        } else {
            d.screenDirToCanvas(v.x, v.y);
            const int k = r.handleIndex - 4;
            const Vec2 dir = r.handleIndex <= 7 ? box.corners[k] - box.corners[(k + 1) % 4]
                                                : box.diagonals[r.handleIndex - 8] -
                                                      box.corners[(r.handleIndex - 3) % 4];
            r.handleOp = degreesBetween(dir, v) < 70.0f ? 0 : 1;
        }
        return kLogged[r.handleOp];
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
    return std::nullopt;
}

}  // namespace gestures
