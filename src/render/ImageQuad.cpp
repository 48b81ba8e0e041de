#include "render/ImageQuad.h"

#include <GL/gl.h>

void uprightImageQuad(std::uint32_t texture, Vec2 c, float h) {
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(c.x - h, c.y - h);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(c.x - h, c.y + h);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(c.x + h, c.y + h);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(c.x + h, c.y - h);
    glEnd();
}

void stripImageQuad(std::uint32_t texture, Vec2 c, float h) {
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_TRIANGLE_STRIP);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(c.x - h, c.y - h);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(c.x - h, c.y + h);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(c.x + h, c.y - h);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(c.x + h, c.y + h);
    glEnd();
}
