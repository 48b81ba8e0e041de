#pragma once

#include <GL/gl.h>

#include <QColor>
#include <QImage>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <memory>

// An off-screen canvas with the program's projection (pixels, y up, origin lower left) and
// its fixed state (white clear colour, alpha blending). Drawing goes into a single-sampled
// framebuffer that is read back as an image.
class GlCanvas {
public:
    GlCanvas(int w, int h) : w_(w), h_(h) {
        surface_.create();
        context_.create();
        context_.makeCurrent(&surface_);
        fbo_ = std::make_unique<QOpenGLFramebufferObject>(w, h);
        fbo_->bind();
        clear();
    }
    ~GlCanvas() {
        context_.makeCurrent(&surface_);
        fbo_.reset();
        context_.doneCurrent();
    }
    bool ok() const { return fbo_ && fbo_->isValid(); }
    void clear() {
        glViewport(0, 0, w_, h_);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, w_, 0, h_, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glClearColor(1, 1, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    // The frame as an image, top row first. Alpha is ignored, as on screen.
    QImage image() const {
        QImage img(w_, h_, QImage::Format_RGBX8888);
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glReadPixels(0, 0, w_, h_, GL_RGBA, GL_UNSIGNED_BYTE, img.bits());
        return img.mirrored().convertToFormat(QImage::Format_RGB32);
    }
    // The pixel whose lower-left corner is (x, y) in screen coordinates.
    static QColor at(const QImage& img, int x, int y) {
        return img.pixelColor(x, img.height() - 1 - y);
    }
    // A texture of one colour (2 x 2 texels), for telling textured parts apart.
    static GLuint solidTexture(QColor c) {
        QImage img(2, 2, QImage::Format_RGBA8888);
        img.fill(c);
        GLuint name = 0;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     img.constBits());
        glBindTexture(GL_TEXTURE_2D, 0);
        return name;
    }

private:
    int w_, h_;
    QOffscreenSurface surface_;
    QOpenGLContext context_;
    std::unique_ptr<QOpenGLFramebufferObject> fbo_;
};
