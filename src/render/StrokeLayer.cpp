#include "render/StrokeLayer.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <QOpenGLContext>
#include <QOpenGLExtraFunctions>
#include <QOpenGLFramebufferObject>

StrokeLayer::StrokeLayer() = default;

StrokeLayer::~StrokeLayer() {
    // A framebuffer object belongs to the context that made it; from any other context its
    // name could delete that context's own framebuffer. Leave it to its context then.
    if (QOpenGLContext::currentContext() != context_) (void)picture_.release();
}

StrokeLayer::Key StrokeLayer::currentState() {
    Key k;
    glGetFloatv(GL_PROJECTION_MATRIX, k.projection.data());
    glGetFloatv(GL_MODELVIEW_MATRIX, k.modelView.data());
    glGetIntegerv(GL_VIEWPORT, k.viewport.data());
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &k.target);
    return k;
}

bool StrokeLayer::makePicture(const Key& key, int samples) {
    const QSize size(key.viewport[2], key.viewport[3]);
    if (key.viewport[0] != 0 || key.viewport[1] != 0 || size.isEmpty()) return false;
    if (!picture_ || picture_->size() != size || picture_->format().samples() != samples) {
        QOpenGLFramebufferObjectFormat format;
        format.setSamples(samples);
        format.setInternalTextureFormat(GL_RGBA8);  // the canvas widget's own format
        picture_ = std::make_unique<QOpenGLFramebufferObject>(size, format);
        // A sample count the driver rounded would not copy sample for sample.
        if (!picture_->isValid() || picture_->format().samples() != samples) {
            picture_.reset();
            return false;
        }
    }
    return true;
}

bool StrokeLayer::paint(Key key, const std::function<void()>& drawStrokes) {
    QOpenGLContext* context = QOpenGLContext::currentContext();
    if (context != context_) {
        if (picture_) (void)picture_.release();  // see the destructor
        havePicture_ = false;
        context_ = context;
    }
    QOpenGLExtraFunctions* gl = context ? context->extraFunctions() : nullptr;
    const auto target = static_cast<GLuint>(key.target);
    const auto copy = [&] {
        const GLint w = key.viewport[2], h = key.viewport[3];
        gl->glBindFramebuffer(GL_READ_FRAMEBUFFER, picture_->handle());
        gl->glBindFramebuffer(GL_DRAW_FRAMEBUFFER, target);
        gl->glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
        gl->glBindFramebuffer(GL_FRAMEBUFFER, target);
        ++copies_;
    };
    if (havePicture_ && picture_ && key == pictureKey_) {
        copy();
        return true;
    }
    const bool repeated = key == lastKey_;
    lastKey_ = key;
    GLint samples = 0;
    glGetIntegerv(GL_SAMPLES, &samples);
    if (!repeated || !gl || !makePicture(key, samples)) {
        drawStrokes();
        return false;
    }
    gl->glBindFramebuffer(GL_FRAMEBUFFER, picture_->handle());
    glClear(GL_COLOR_BUFFER_BIT);  // the clear colour the frame was cleared with
    drawStrokes();
    copy();
    pictureKey_ = std::move(key);
    havePicture_ = true;
    return true;
}
