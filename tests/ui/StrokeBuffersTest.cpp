// Strokes drawn from GPU buffers: the same pixels as drawing from the strokes' arrays, an
// upload only for a stroke that is new or whose outline changed, the GL state as found.
#include <gtest/gtest.h>

#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <map>
#include <sstream>

#include "GlCanvas.h"
#include "document/Drawing.h"
#include "document/StrokesInView.h"
#include "io/PageFile.h"
#include "render/DrawingRenderer.h"
#include "render/StrokeBuffers.h"

namespace {
std::vector<ControlPoint> wave(float x0, float y0, float r, float a, int n = 20) {
    std::vector<ControlPoint> pts;
    for (int i = 0; i < n; ++i)
        pts.push_back({x0 + 12.0f * i, y0 + 15.0f * std::sin(0.5f * i), r, a});
    return pts;
}

// Outline versions of the strokes a frame draws.
std::map<const Stroke*, std::uint64_t> versionsInView(const Drawing& d) {
    std::vector<Stroke*> shown;
    strokesInView(d, d.visibleRegion(), shown);
    std::map<const Stroke*, std::uint64_t> v;
    for (const Stroke* s : shown) v[s] = s->outlineVersion();
    return v;
}
// A document viewed in a w x h window, holding the page's strokes.
struct Document {
    std::ostringstream log;
    Drawing d{log};
    Document(float w, float h, const io::PageContent& page) {
        d.view.viewWidth = w;
        d.view.viewHeight = h;
        d.loadContent(page);
    }
};
}  // namespace

TEST(StrokeBuffers, DrawTheSamePixelsAndUploadOnlyChangedOutlines) {
    GlCanvas canvas(800, 600);
    ASSERT_TRUE(canvas.ok());
    // Overlapping strokes of several opacities (drawing order shows in the blend), and one
    // that is a single dot.
    io::PageContent page;
    for (int i = 0; i < 12; ++i)
        page.strokes.push_back(wave(40.0f + 25.0f * i, 60.0f + 30.0f * i, 3.0f + i % 4,
                                    0.25f + 0.06f * static_cast<float>(i)));
    page.strokes.push_back({{400.0f, 300.0f, 8.0f, 0.8f}});
    Document doc(800.0f, 600.0f, page);
    Drawing& d = doc.d;

    StrokeBuffers buffers;
    auto frame = [&](StrokeBuffers* b) {
        canvas.clear();
        renderDrawing(d, {}, b);
        return canvas.image();
    };
    auto expectSameAsArrays = [&](const char* step) {
        const QImage plain = frame(nullptr);
        EXPECT_TRUE(frame(&buffers) == plain) << step;
    };

    expectSameAsArrays("first frame");
    EXPECT_EQ(buffers.uploads(), d.strokes.count());
    expectSameAsArrays("nothing changed");
    EXPECT_EQ(buffers.uploads(), d.strokes.count()) << "no upload without a change";

    // Move one stroke, erase through another (which may split it), zoom in on the rest:
    // exactly the strokes in view with a new outline are uploaded again.
    auto before = versionsInView(d);
    std::uint64_t uploaded = buffers.uploads();
    d.selection = {d.strokes.first()->stroke.get()};
    d.fitSelectionBox();
    d.moveSelection(30.0f, -20.0f);
    for (float x = 180.0f; x < 260.0f; x += 4.0f) d.eraseAt(x + 50.0f, 200.0f + 50.0f, 1.0f);
    d.view.zoom = 2.5f;
    d.refreshVisibleStrokes();
    std::uint64_t changed = 0;
    for (const auto& [s, v] : versionsInView(d)) changed += !before.contains(s) || before[s] != v;
    ASSERT_GT(changed, 0u);
    expectSameAsArrays("after edits");
    EXPECT_EQ(buffers.uploads() - uploaded, changed);

    // The stroke being drawn streams from its arrays and is never uploaded.
    uploaded = buffers.uploads();
    d.beginStroke(100.0f, 500.0f, 1.0f);
    for (int i = 1; i < 30; ++i) d.extendStroke(100.0f + 6 * i, 500.0f, 6.0f, 0.0f, 1.0f);
    expectSameAsArrays("while drawing");
    EXPECT_EQ(buffers.uploads(), uploaded);

    GLint bound = -1;
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &bound);
    EXPECT_EQ(bound, 0);
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_COLOR_ARRAY));
}

TEST(StrokeBuffers, StrokesNoLongerDrawnAreReleasedOverTheBudget) {
    GlCanvas canvas(400, 300);
    ASSERT_TRUE(canvas.ok());
    io::PageContent page;
    for (int i = 0; i < 6; ++i) page.strokes.push_back(wave(60.0f, 40.0f + 40.0f * i, 4.0f, 1.0f));
    Document doc(400.0f, 300.0f, page);
    Drawing& d = doc.d;
    StrokeBuffers buffers(1);  // anything not drawn this frame is over the budget
    renderDrawing(d, {}, &buffers);
    EXPECT_EQ(buffers.bufferCount(), 6u);
    // Delete all but the last stroke: their buffers go at the end of the next frame.
    while (d.strokes.count() > 1) {
        Stroke* s = d.strokes.first()->stroke.get();
        d.index.removeStroke(*s);
        d.removeStroke(s);
    }
    renderDrawing(d, {}, &buffers);
    EXPECT_EQ(buffers.bufferCount(), 1u);
}
