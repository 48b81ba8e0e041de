#include "render/StrokeBuffers.h"

#include <GL/gl.h>

#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <algorithm>
#include <vector>

#include "geometry/Stroke.h"
#include "render/DrawingRenderer.h"

namespace {
// Stroke outlines: x, y per vertex, then r, g, b, a per vertex.
constexpr int kPositionFloats = 2;
constexpr int kColourFloats = 4;
}  // namespace

StrokeBuffers::StrokeBuffers(std::size_t budgetBytes) : budget_(budgetBytes) {
    context_ = QOpenGLContext::currentContext();
    if (!context_) return;
    auto gl = std::make_unique<QOpenGLFunctions>(context_);
    if (gl->hasOpenGLFeature(QOpenGLFunctions::Buffers)) gl_ = std::move(gl);
}

StrokeBuffers::~StrokeBuffers() {
    if (!gl_ || entries_.empty()) return;
    // Names belong to the context they were made in; never delete another context's objects.
    QOpenGLContext* current = QOpenGLContext::currentContext();
    if (!current || !QOpenGLContext::areSharing(current, context_)) return;
    std::vector<GLuint> names;
    names.reserve(entries_.size());
    for (const auto& [stroke, e] : entries_) names.push_back(e.buffer);
    gl_->glDeleteBuffers(static_cast<GLsizei>(names.size()), names.data());
}

void StrokeBuffers::upload(const Stroke& s, Entry& e) {
    if (e.buffer == 0) gl_->glGenBuffers(1, &e.buffer);
    const auto n = static_cast<std::size_t>(s.vertexCount);
    const std::size_t positions = n * kPositionFloats * sizeof(float);
    const std::size_t colours = n * kColourFloats * sizeof(float);
    gl_->glBindBuffer(GL_ARRAY_BUFFER, e.buffer);
    gl_->glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(positions + colours), nullptr,
                      GL_STATIC_DRAW);
    gl_->glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(positions),
                         s.vertices.data());
    gl_->glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(positions),
                         static_cast<GLsizeiptr>(colours), s.colours.data());
    bytes_ = bytes_ - e.bytes + positions + colours;
    e.bytes = positions + colours;
    e.colourOffset = positions;
    e.count = s.vertexCount;
    e.version = s.outlineVersion();
    ++uploads_;
}

void StrokeBuffers::draw(const Stroke& s) {
    if (s.vertexCount <= 0) return;
    // The arrays must hold what the count promises; otherwise let the plain path decide.
    const auto n = static_cast<std::size_t>(s.vertexCount);
    if (!gl_ || s.vertices.size() < n * kPositionFloats || s.colours.size() < n * kColourFloats) {
        drawStrokeBody(s);
        return;
    }
    Entry& e = entries_[&s];
    if (e.buffer == 0 || e.version != s.outlineVersion()) {
        upload(s, e);
    } else {
        gl_->glBindBuffer(GL_ARRAY_BUFFER, e.buffer);
    }
    e.lastFrame = frame_;
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(kPositionFloats, GL_FLOAT, 0, nullptr);
    glColorPointer(kColourFloats, GL_FLOAT, 0, reinterpret_cast<const void*>(e.colourOffset));
    glDrawArrays(GL_TRIANGLE_STRIP, 0, e.count);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    gl_->glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void StrokeBuffers::endFrame() {
    if (bytes_ > budget_) {
        std::vector<std::pair<std::uint64_t, const Stroke*>> idle;
        for (const auto& [stroke, e] : entries_) {
            if (e.lastFrame != frame_) idle.emplace_back(e.lastFrame, stroke);
        }
        std::sort(idle.begin(), idle.end());
        for (const auto& [lastFrame, stroke] : idle) {
            if (bytes_ <= budget_) break;
            const auto it = entries_.find(stroke);
            gl_->glDeleteBuffers(1, &it->second.buffer);
            bytes_ -= it->second.bytes;
            entries_.erase(it);
        }
    }
    ++frame_;
}
