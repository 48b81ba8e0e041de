#include "render/ScreenFrame.h"

#include <GL/gl.h>

#include <cmath>

#include "geometry/Vec2.h"
#include "render/GlStateGuard.h"

namespace {
constexpr float kAccentR = 0.258f, kAccentG = 0.486f, kAccentB = 0.647f;
constexpr float kShadow = 8.0f;  // inner shadow width, pixels

struct Octagon {
    float m, k, w, h;
};

void band(const Octagon& o) {
    const float m = o.m, k = o.k, W = o.w, H = o.h;
    const float strip[][2] = {
        {0, 0}, {m, k},         {0, H}, {m, H - k},     {k, H - m},     {k, H - m},
        {0, H}, {k, H - m},     {W, H}, {W - k, H - m}, {W - m, H - k}, {W - m, H - k},
        {W, H}, {W - m, H - k}, {W, 0}, {W - m, k},     {W - k, m},     {W - k, m},
        {W, 0}, {W - k, m},     {0, 0}, {k, m},         {m, k}};
    glColor4f(kAccentR, kAccentG, kAccentB, 0.6f);
    glBegin(GL_TRIANGLE_STRIP);
    for (const auto& v : strip) glVertex2f(v[0], v[1]);
    glEnd();
}

void innerShadow(const Octagon& o) {
    const float m = o.m, k = o.k, W = o.w, H = o.h, s = kShadow;
    // Each octagon vertex with the direction that points into the drawing area.
    const float ring[][4] = {{k, m, s, s},      {m, k, s, s},           {m, H - k, s, -s},
                             {k, H - m, s, -s}, {W - k, H - m, -s, -s}, {W - m, H - k, -s, -s},
                             {W - m, k, -s, s}, {W - k, m, -s, s},      {k, m, s, s}};
    glBegin(GL_TRIANGLE_STRIP);
    for (const auto& v : ring) {
        glColor4f(0.0f, 0.0f, 0.0f, 0.45f);
        glVertex2f(v[0], v[1]);
        glColor4f(0.0f, 0.0f, 0.0f, 0.05f);
        glVertex2f(v[0] + v[2], v[1] + v[3]);
    }
    glEnd();
}

void outline(const Octagon& o) {
    const float m = o.m, k = o.k, W = o.w, H = o.h;
    glColor4f(kAccentR, kAccentG, kAccentB, 1.0f);
    glLineWidth(2.0f);
    glBegin(GL_LINES);
    glVertex2f(k, H - m);
    glVertex2f(W - k, H - m);
    glVertex2f(W - m, H - k);
    glVertex2f(W - m, k);
    glVertex2f(W - k, m);
    glVertex2f(k, m);
    glVertex2f(m, k);
    glVertex2f(m, H - k);
    glEnd();
    glLineWidth(1.0f);
}

void cornerQuad(float cx, float cy, float h) {
    glBegin(GL_TRIANGLE_STRIP);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(cx - h, cy - h, 1.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(cx - h, cy + h, 1.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(cx + h, cy - h, 1.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(cx + h, cy + h, 1.0f);
    glEnd();
}

void hintQuad(const Vec2 (&corners)[4], Vec2 at) {
    const float tex[4][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
    glBegin(GL_QUADS);
    for (int i = 0; i < 4; ++i) {
        glTexCoord2f(tex[i][0], tex[i][1]);
        glVertex2f(corners[i].x + at.x, corners[i].y + at.y);
    }
    glEnd();
}

void zoomHints(float W) {
    Vec2 corners[4] = {{-20, -20}, {-20, 20}, {20, 20}, {20, -20}};
    for (Vec2& c : corners) rotate(c, 1.0471976f);  // 60 degrees
    hintQuad(corners, {W - 70.0f, 30.0f});
    for (Vec2& c : corners) rotate(c, 2.5307274f);  // a further 145 degrees
    hintQuad(corners, {W - 30.0f, 70.0f});
}

void cornerRays(float W, float H, float a) {
    glLineWidth(3.0f);
    glBegin(GL_LINES);
    glVertex2f(0, 0);
    glVertex2f(a, a);
    glVertex2f(W, 0);
    glVertex2f(W - a, a);
    glVertex2f(0, H);
    glVertex2f(a, H - a);
    glVertex2f(W, H);
    glVertex2f(W - a, H - a);
    glEnd();
    glLineWidth(1.0f);
}
}  // namespace

ScreenFrameGeometry screenFrameGeometry(float margin, float cornerRadius) {
    ScreenFrameGeometry g{};
    g.diagonal = cornerRadius / std::sqrt(2.0f);
    g.chamfer = 2.0f * g.diagonal - margin;
    g.outerCircle = 1.03f * cornerRadius;
    g.innerCircle = 0.3f * g.outerCircle;
    return g;
}

void renderScreenFrame(float width, float height, float margin, float cornerRadius,
                       const ScreenFrameTextures& textures) {
    const GlStateGuard saved;
    const ScreenFrameGeometry g = screenFrameGeometry(margin, cornerRadius);
    const Octagon o{margin, g.chamfer, width, height};
    band(o);
    innerShadow(o);
    outline(o);

    // The outline colour is still current and tints both images.
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, textures.cornerCircle);
    const float corners[4][2] = {{0, 0}, {width, 0}, {0, height}, {width, height}};
    for (const auto& c : corners) {
        cornerQuad(c[0], c[1], g.outerCircle);
        cornerQuad(c[0], c[1], g.innerCircle);
    }
    glBindTexture(GL_TEXTURE_2D, textures.smallBig);
    zoomHints(width);
    glDisable(GL_TEXTURE_2D);

    cornerRays(width, height, g.diagonal);
}
