#include "render/Circles.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

namespace circles {
namespace {
constexpr int kSteps = 40;
const float kStep = 6.2831855f / 39.0f;

struct Rim {
    float cx, cy;
    float x(float rho, float a) const { return cx + rho * std::cos(a); }
    float y(float rho, float a) const { return cy + rho * std::sin(a); }
};
}  // namespace

void filledDisc(float cx, float cy, float radius, Colour c) {
    const Rim rim{cx, cy};
    glBegin(GL_TRIANGLE_STRIP);
    for (int i = 0; i < kSteps; ++i) {
        const float a = static_cast<float>(i) * kStep;
        glColor4f(c.r, c.g, c.b, c.a);
        glVertex2f(cx, cy);
        glVertex2f(rim.x(radius, a), rim.y(radius, a));
        glVertex2f(rim.x(radius, a + kStep), rim.y(radius, a + kStep));
    }
    glEnd();
}

void ringArc(float cx, float cy, float inner, float outer, float fraction, Colour c) {
    if (!(fraction > 0.0f)) return;
    const Rim rim{cx, cy};
    // Steps of at most the full circle's, at least one.
    const float sweep = 6.2831855f * std::min(fraction, 1.0f);
    const int steps = std::max(1, static_cast<int>(std::ceil(sweep / kStep)));
    glColor4f(c.r, c.g, c.b, c.a);
    glBegin(GL_TRIANGLE_STRIP);
    for (int i = 0; i <= steps; ++i) {
        const float a = 1.5707964f - sweep * static_cast<float>(i) / static_cast<float>(steps);
        glVertex2f(rim.x(inner, a), rim.y(inner, a));
        glVertex2f(rim.x(outer, a), rim.y(outer, a));
    }
    glEnd();
}

void outline(float cx, float cy, float radius, Colour c) {
    const Rim rim{cx, cy};
    glBegin(GL_LINE_STRIP);
    for (int i = 0; i < kSteps; ++i) {
        const float a = static_cast<float>(i) * kStep;
        glColor4f(c.r, c.g, c.b, c.a);
        glVertex2f(rim.x(radius, a), rim.y(radius, a));
        glVertex2f(rim.x(radius, a + kStep), rim.y(radius, a + kStep));
    }
    glEnd();
}

void softDisc(float cx, float cy, float radius, float softness, float r, float g, float b,
              float scale) {
    const Rim rim{cx, cy};
    const float ro = radius * scale;
    const float ri = radius * (1.0f - softness) * scale;
    glBegin(GL_TRIANGLE_STRIP);
    for (int i = 0; i < kSteps; ++i) {
        const float a = static_cast<float>(i) * kStep;
        glColor4f(r, g, b, 0.5f);
        glVertex2f(rim.x(ri, a), rim.y(ri, a));
        glColor4f(r, g, b, 0.5f);
        glVertex2f(rim.x(ri, a + kStep), rim.y(ri, a + kStep));
        glColor4f(r, g, b, 0.0f);
        glVertex2f(rim.x(ro, a), rim.y(ro, a));
        glColor4f(r, g, b, 0.0f);
        glVertex2f(rim.x(ro, a + kStep), rim.y(ro, a + kStep));
    }
    glEnd();
    glBegin(GL_TRIANGLE_STRIP);
    for (int i = 0; i < kSteps; ++i) {
        const float a = static_cast<float>(i) * kStep;
        glColor4f(r, g, b, 0.5f);
        glVertex2f(cx, cy);
        glVertex2f(rim.x(ri, a), rim.y(ri, a));
        glVertex2f(rim.x(ri, a + kStep), rim.y(ri, a + kStep));
    }
    glEnd();
}

}  // namespace circles
