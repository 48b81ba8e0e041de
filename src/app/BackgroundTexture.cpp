#include "app/BackgroundTexture.h"

#include <GL/gl.h>

#include <algorithm>

#include "platform/GlTexture.h"

BackgroundTexture::~BackgroundTexture() {
    release(current_);
    release(pending_);
}

void BackgroundTexture::release(Upload& u) {
    if (u.texture != 0) {
        const GLuint name = u.texture;
        glDeleteTextures(1, &name);
    }
    u = {};
}

BackgroundQuad BackgroundTexture::show(const BackgroundCache::Entry& render,
                                       const std::string& page) {
    if (!render || render->image.isNull()) {
        release(pending_);
        return {};
    }
    if (current_.shown.lock() == render) return quad_;
    if (pending_.render != render) {
        release(pending_);
        const QImage& image = render->image;
        pending_.texture =
            createLinearTexture(GL_RGBA, image.width(), image.height(), GL_RGBA, nullptr);
        pending_.render = render;
        pending_.page = page;
    }
    const QImage& image = render->image;
    const int strip =
        std::max(1, static_cast<int>(kStripBytes / static_cast<std::size_t>(image.bytesPerLine())));
    const int rows = std::min(strip, image.height() - pending_.rows);
    GLint previous = 0, alignment = 4, rowLength = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glGetIntegerv(GL_UNPACK_ROW_LENGTH, &rowLength);
    glBindTexture(GL_TEXTURE_2D, pending_.texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(image.bytesPerLine() / 4));
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, pending_.rows, image.width(), rows, GL_RGBA,
                    GL_UNSIGNED_BYTE, image.constScanLine(pending_.rows));
    glPixelStorei(GL_UNPACK_ROW_LENGTH, rowLength);
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));
    pending_.rows += rows;
    if (pending_.rows < image.height())
        return current_.page == page && current_.texture != 0 ? quad_ : BackgroundQuad{};

    release(current_);
    current_ = std::move(pending_);
    current_.shown = current_.render;
    current_.render.reset();
    pending_ = {};
    const io::Placement& p = render->placement;
    quad_ = {current_.texture, p.x, p.y, p.width, p.height, ++version_};
    return quad_;
}
