#include "platform/GradientRoundBorderStrategy.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "platform/VisComponent.h"

void GradientRoundBorderStrategy::draw(const VisComponent& c) {
    constexpr int kSteps = 48;
    const double r0 = std::min(c.getWidth(), c.getHeight()) * 0.5;
    const double r1 = std::max(0.0, r0 + borderWidth_);
    const double cx = c.getPosition().x;
    const double cy = c.getPosition().y;
    glBegin(GL_TRIANGLE_STRIP);
    for (int i = 0; i <= kSteps; ++i) {
        const double a = 2.0 * M_PI * i / kSteps;
        const double ca = std::cos(a), sa = std::sin(a);
        glColor4d(color_[0], color_[1], color_[2], color_[3]);
        glVertex2d(cx + r0 * ca, cy + r0 * sa);
        glColor4d(color_[0], color_[1], color_[2], 0.0);
        glVertex2d(cx + r1 * ca, cy + r1 * sa);
    }
    glEnd();
}
