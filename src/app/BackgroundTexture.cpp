#include "app/BackgroundTexture.h"

#include <GL/gl.h>

#include "platform/GlTexture.h"

BackgroundTexture::~BackgroundTexture() { release(); }

void BackgroundTexture::release() {
    if (texture_ == 0) return;
    const GLuint name = texture_;
    glDeleteTextures(1, &name);
    texture_ = 0;
}

BackgroundQuad BackgroundTexture::show(const BackgroundCache::Entry& render) {
    if (!render || render->image.isNull()) return {};
    if (uploaded_.lock() != render) {
        release();
        const QImage& image = render->image;
        texture_ = createLinearTexture(GL_RGBA, image.width(), image.height(), GL_RGBA,
                                       image.constBits());
        uploaded_ = render;
        const io::Placement& p = render->placement;
        quad_ = {texture_, p.x, p.y, p.width, p.height, ++version_};
    }
    return quad_;
}
