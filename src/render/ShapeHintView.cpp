#include "render/ShapeHintView.h"

#include <GL/gl.h>

#include <algorithm>

#include "document/Drawing.h"
#include "geometry/Shape.h"
#include "render/DrawingRenderer.h"
#include "render/GlStateGuard.h"

namespace {
constexpr float kLineWidthPx = 2.0f;
constexpr float kAlpha = 0.6f;  // faint: the ink drawn is still what is on the page
constexpr float kSpacingPx = 3.0f;

// A hue that stands out on the ink it runs along: light blue, or orange on bluish ink.
Rgb contrasting(Rgb ink) {
    const bool bluish = ink.b > 128 && ink.b > ink.r + 40;
    return bluish ? Rgb{255, 140, 30} : Rgb{40, 150, 255};
}
}  // namespace

void drawShapeHint(const Drawing& d, const Shape& shape, Rgb ink) {
    const std::vector<Vec2> path = tracePoints(shape, kSpacingPx / std::max(d.view.zoom, 1e-3f));
    if (path.size() < 2) return;
    const GlStateGuard guard;
    glDisable(GL_TEXTURE_2D);
    glLineWidth(kLineWidthPx);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    applyViewTransform(d);
    const Rgb colour = contrasting(ink);
    glColor4f(colour.redF(), colour.greenF(), colour.blueF(), kAlpha);
    glBegin(GL_LINE_STRIP);
    for (const Vec2 p : path) glVertex2f(p.x, p.y);
    glEnd();
    glPopMatrix();
}
