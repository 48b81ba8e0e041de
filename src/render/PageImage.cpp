#include "render/PageImage.h"

#include <GL/gl.h>

#include <QOpenGLContext>
#include <QOpenGLExtraFunctions>
#include <QOpenGLFramebufferObject>
#include <algorithm>

#include "document/Drawing.h"
#include "render/DrawingRenderer.h"

namespace {

// What the pass changes, taken before and put back after.
class SavedPassState {
public:
    explicit SavedPassState(QOpenGLExtraFunctions& gl) : gl_(gl) {
        glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebuffer_);
        glGetIntegerv(GL_VIEWPORT, viewport_);
        glGetFloatv(GL_COLOR_CLEAR_VALUE, clear_);
        glGetIntegerv(GL_POLYGON_MODE, polygonMode_);
        blend_ = glIsEnabled(GL_BLEND);
        glGetIntegerv(GL_BLEND_SRC, &blendSrc_);
        glGetIntegerv(GL_BLEND_DST, &blendDst_);
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
    }
    ~SavedPassState() {
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPopMatrix();
        glBlendFunc(static_cast<GLenum>(blendSrc_), static_cast<GLenum>(blendDst_));
        if (blend_)
            glEnable(GL_BLEND);
        else
            glDisable(GL_BLEND);
        glPolygonMode(GL_FRONT, static_cast<GLenum>(polygonMode_[0]));
        glPolygonMode(GL_BACK, static_cast<GLenum>(polygonMode_[1]));
        glClearColor(clear_[0], clear_[1], clear_[2], clear_[3]);
        glViewport(viewport_[0], viewport_[1], viewport_[2], viewport_[3]);
        gl_.glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(framebuffer_));
    }
    SavedPassState(const SavedPassState&) = delete;
    SavedPassState& operator=(const SavedPassState&) = delete;

private:
    QOpenGLExtraFunctions& gl_;
    GLint framebuffer_ = 0;
    GLint viewport_[4] = {};
    GLfloat clear_[4] = {};
    GLint polygonMode_[2] = {GL_FILL, GL_FILL};
    GLboolean blend_ = GL_FALSE;
    GLint blendSrc_ = GL_ONE;
    GLint blendDst_ = GL_ZERO;
};

// As many samples as the window asks for, if the driver has them.
constexpr int kWantedSamples = 16;

}  // namespace

QImage renderPageImage(const io::PageContent& page, int scale) {
    QOpenGLContext* context = QOpenGLContext::currentContext();
    if (!context || scale < 1) return {};
    QOpenGLExtraFunctions& gl = *context->extraFunctions();
    const int side = static_cast<int>(Drawing::kCanvasSize) * scale;
    const float zoom = static_cast<float>(scale);

    const SavedPassState saved(gl);
    GLint maxSamples = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &maxSamples);
    QOpenGLFramebufferObjectFormat format;
    format.setSamples(std::clamp(kWantedSamples, 0, static_cast<int>(maxSamples)));
    QOpenGLFramebufferObject target(side, side, format);
    if (!target.isValid() || !target.bind()) return {};

    glViewport(0, 0, side, side);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, side, 0, side, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glScalef(zoom, zoom, 1.0f);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);

    const Rect square(0.0f, 0.0f, Drawing::kCanvasSize, Drawing::kCanvasSize);
    for (std::size_t i = 0; i < page.strokes.size(); ++i) {
        const std::vector<ControlPoint>& points = page.strokes[i];
        if (points.empty()) continue;
        // The body reaches a radius past the point centres.
        Rect reach;
        for (const ControlPoint& p : points) {
            reach.include({p.x - p.r, p.y - p.r});
            reach.include({p.x + p.r, p.y + p.r});
        }
        if (!reach.overlaps(square)) continue;
        const auto stroke =
            makeLoadedStroke(points, i < page.colours.size() ? page.colours[i] : Rgb{});
        stroke->rebuildRibsForZoom(zoom);
        stroke->buildOutline(zoom);
        drawStrokeBody(*stroke);
    }
    return target.toImage().convertToFormat(QImage::Format_RGB32);
}
