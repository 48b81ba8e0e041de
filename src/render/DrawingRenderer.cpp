#include "render/DrawingRenderer.h"

#include <GL/gl.h>

#include "document/Drawing.h"
#include "document/StrokesInView.h"
#include "render/Circles.h"
#include "render/ImageQuad.h"
#include "render/PaperDrawing.h"
#include "render/StrokeBuffers.h"
#include "render/StrokeLayer.h"

namespace {
constexpr float kAccentR = 0.258f, kAccentG = 0.486f, kAccentB = 0.647f;

void pageFrame(const Rect& page) {
    const float x0 = page.minX, y0 = page.minY, x1 = page.maxX, y1 = page.maxY;
    const float s = 15.0f;  // shadow width, canvas units
    const float corners[5][4] = {{x0, y0, x0 - s, y0 - s},
                                 {x0, y1, x0 - s, y1 + s},
                                 {x1, y1, x1 + s, y1 + s},
                                 {x1, y0, x1 + s, y0 - s},
                                 {x0, y0, x0 - s, y0 - s}};
    glBegin(GL_TRIANGLE_STRIP);
    for (const auto& c : corners) {
        glColor4f(0.7f, 0.7f, 0.7f, 1.0f);
        glVertex2f(c[0], c[1]);
        glColor4f(0.7f, 0.7f, 0.7f, 0.1f);
        glVertex2f(c[2], c[3]);
    }
    glEnd();
}

void indexCells(const QuadTree& index) {
    glColor4f(kAccentR, kAccentG, kAccentB, 0.5f);
    index.forEachNode([](const QuadNode& node, std::uint32_t) {
        const Rect& b = node.bounds;
        glBegin(GL_LINE_LOOP);
        glVertex2f(b.minX, b.minY);
        glVertex2f(b.maxX, b.minY);
        glVertex2f(b.maxX, b.maxY);
        glVertex2f(b.minX, b.maxY);
        glEnd();
    });
}

void pageFlipTriangles() {
    const struct {
        float x, y, grey;
    } v[] = {{0, 50, 0.5f},   {50, 50, 0.8f},  {50, 0, 0.5f},
             {900, 50, 0.5f}, {850, 50, 0.8f}, {850, 0, 0.5f}};
    glBegin(GL_TRIANGLES);
    for (const auto& p : v) {
        glColor4f(p.grey, p.grey, p.grey, 1.0f);
        glVertex2f(p.x, p.y);
    }
    glEnd();
}

void toolOverlay(const Drawing& d) {
    const float k = d.view.zoom;
    if (d.deformToolActive) {
        for (const auto& c : d.deformTool.circles)
            circles::softDisc(d.deformTool.screenPosition.x + c.offset.x,
                              d.deformTool.screenPosition.y + c.offset.y, c.radius, c.falloff, 1.0f,
                              0.0f, 0.0f, k);
    } else if (d.drawingActive) {
        circles::filledDisc(d.brush.cursor.x, d.brush.cursor.y, d.brush.size * k,
                            {1.0f, 0.0f, 0.0f, 0.7f});
    } else if (d.brushToolActive) {
        const Vec2 o = d.definedBrush.screenPosition;
        glColor4f(1.0f, 0.0f, 0.0f, 1.0f);
        glBegin(GL_TRIANGLE_STRIP);
        for (const Vec2& p : d.definedBrush.shape) glVertex2f(p.x * k + o.x, p.y * k + o.y);
        glEnd();
    } else if (d.mode == 0) {
        circles::outline(d.brush.cursor.x, d.brush.cursor.y, d.brush.size * k,
                         {1.0f, 0.0f, 0.0f, 0.7f});
    } else {
        for (const auto& c : d.deformTool.circles)
            circles::outline(d.deformTool.screenPosition.x + c.offset.x,
                             d.deformTool.screenPosition.y + c.offset.y, c.radius * k,
                             {1.0f, 0.0f, 0.0f, 1.0f});
    }
}

void selectionBox(const Drawing& d, const SelectionTextures& tex) {
    const auto& box = d.selectionBox;
    const float k = d.view.zoom;
    const float b = box.handleSize / k, h = box.cornerCircleSize / k;
    const auto& C = box.corners;
    const auto& D = box.diagonals;
    glColor4f(kAccentR, kAccentG, kAccentB, 0.6f);
    glBegin(GL_TRIANGLE_STRIP);
    for (int i = 0; i < 4; ++i) {
        const int j = (i + 1) % 4;
        const Vec2 p[4] = {C[i], C[i] + D[i] * b, C[j], C[j] + D[j] * b};
        for (const Vec2& v : p) glVertex3f(v.x, v.y, 1.0f);
    }
    glEnd();
    glLineWidth(2.0f);
    glColor4f(kAccentR, kAccentG, kAccentB, 1.0f);
    glBegin(GL_LINES);
    for (int i = 0; i < 4; ++i) {
        const int j = (i + 1) % 4;
        glVertex2f(C[i].x, C[i].y);
        glVertex2f(C[j].x, C[j].y);
        const Vec2 a = C[i] + D[i] * b, e = C[j] + D[j] * b;
        glVertex2f(a.x, a.y);
        glVertex2f(e.x, e.y);
    }
    glEnd();
    glLineWidth(1.0f);

    glEnable(GL_TEXTURE_2D);
    glColor4f(0.0f, 0.8f, 0.0f, 1.0f);
    for (int n = 0; n < 4; ++n) stripImageQuad(tex.handle, C[n] + D[n] * (b * 0.5f), h * 0.5f);
    const Vec2 side = C[1] - C[2];
    if (length(side) > 0.0f) {
        Vec2 v = normalized(side) * (45.0f / k);
        const float e = 15.0f / k;
        for (std::uint32_t t : {tex.cancel, tex.remove, tex.defineBrush}) {
            uprightImageQuad(t, C[1] + v, e);
            rotate(v, -0.7853982f);
        }
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
}

void lassoPath(const Drawing& d) {
    glColor4f(kAccentR, kAccentG, kAccentB, 0.6f);
    glLineWidth(3.0f);
    glBegin(GL_LINE_STRIP);
    for (const Vec2& p : d.selectionBox.path) glVertex2f(p.x, p.y);
    glEnd();
    glLineWidth(1.0f);
}
}  // namespace

void applyViewTransform(const Drawing& d) {
    const View& v = d.view;
    glTranslatef(v.viewWidth * 0.5f, v.viewHeight * 0.5f, 0.0f);
    glScalef(v.zoom, v.zoom, 1.0f);
    glRotatef(v.rotation, 0.0f, 0.0f, 1.0f);
    glTranslatef(-v.viewWidth * 0.5f + v.panX, -v.viewHeight * 0.5f + v.panY, 0.0f);
}

void drawStrokeBody(const Stroke& s) {
    if (s.vertexCount <= 0) return;
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, s.vertices.data());
    glColorPointer(4, GL_FLOAT, 0, s.colours.data());
    glDrawArrays(GL_TRIANGLE_STRIP, 0, s.vertexCount);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

namespace {
void drawPicture(std::uint32_t texture, float x, float y, float width, float height) {
    if (texture == 0 || width <= 0.0f || height <= 0.0f) return;
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    // The texture's first row is the picture's top.
    glBegin(GL_TRIANGLE_STRIP);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(x, y);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(x + width, y);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(x, y + height);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(x + width, y + height);
    glEnd();
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
}
}  // namespace

void drawUnderlay(const BackgroundQuad& b, io::Paper paper) {
    drawPicture(b.texture, b.x, b.y, b.width, b.height);
    drawPicture(b.partTexture, b.partX, b.partY, b.partWidth, b.partHeight);
    drawPaper(paper);
}

void renderDrawing(const Drawing& d, const SelectionTextures& textures, StrokeBuffers* buffers,
                   StrokeLayer* layer, const BackgroundQuad& background) {
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    applyViewTransform(d);
    if (d.wireframe) glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);

    std::vector<Stroke*> visible;
    strokesInView(d, d.visibleRegion(), visible);
    const auto drawStrokes = [&] {
        drawUnderlay(background, d.style.paper);
        for (const Stroke* stroke : visible) {
            const Stroke& s = *stroke;
            glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
            if (buffers)
                buffers->draw(s);
            else
                drawStrokeBody(s);
            if (d.showPoints) {
                glColor4f(0.5f, 0.0f, 0.0f, 1.0f);
                glPointSize(3.0f);
                glBegin(GL_POINTS);
                for (const ControlPoint& p : s.points) glVertex3f(p.x, p.y, 1.0f);
                glEnd();
                glPointSize(1.0f);
            }
        }
    };
    if (layer) {
        StrokeLayer::Key key = StrokeLayer::currentState();
        key.wireframe = d.wireframe;
        key.points = d.showPoints;
        key.underlay = background.version * io::kPaperKinds + static_cast<std::uint64_t>(d.style.paper);
        key.strokes.reserve(visible.size());
        for (const Stroke* s : visible) key.strokes.emplace_back(s, s->outlineVersion());
        layer->paint(std::move(key), drawStrokes);
    } else {
        drawStrokes();
    }
    if (buffers) buffers->endFrame();
    for (const StrokeInProgress& s : d.strokesInProgress()) {
        if (!s.stroke) continue;  // begun off the page
        glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
        drawStrokeBody(*s.stroke);
    }
    for (const auto& s : d.visitingInk) {
        if (s->pointCount() < 2) continue;
        glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
        drawStrokeBody(*s);
    }
    if (d.wireframe) glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);

    pageFrame(d.index.root().bounds);
    if (d.index.debugDraw) indexCells(d.index);
    pageFlipTriangles();
    glPopMatrix();

    glPushMatrix();
    glLoadIdentity();
    toolOverlay(d);
    glPopMatrix();

    if (d.selectionBox.shown) {
        glPushMatrix();
        applyViewTransform(d);
        selectionBox(d, textures);
        glPopMatrix();
    }
    if (d.selectionBox.selectLassoActive) lassoPath(d);
    if (d.selectionBox.eraseLassoActive) lassoPath(d);
}
