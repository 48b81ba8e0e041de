#pragma once

#include <GL/gl.h>

// Saves the GL state that the overlays change (line width, 2-D texturing and the bound 2-D
// texture) and puts it back when it goes out of scope. Needs a current context for its
// whole life.
class GlStateGuard {
public:
    GlStateGuard() {
        glGetFloatv(GL_LINE_WIDTH, &lineWidth_);
        texturing_ = glIsEnabled(GL_TEXTURE_2D);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture_);
    }
    ~GlStateGuard() {
        glLineWidth(lineWidth_);
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture_));
        if (texturing_)
            glEnable(GL_TEXTURE_2D);
        else
            glDisable(GL_TEXTURE_2D);
    }
    GlStateGuard(const GlStateGuard&) = delete;
    GlStateGuard& operator=(const GlStateGuard&) = delete;

private:
    GLfloat lineWidth_ = 1.0f;
    GLboolean texturing_ = GL_FALSE;
    GLint texture_ = 0;
};
