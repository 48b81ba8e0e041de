// Frame time against page size. Each page tiles real strokes over a grid of cells and is
// viewed at a zoom that shows about 11 x 11 cells; its twin holds only the strokes that
// frame draws. Their ratio is what the strokes out of view cost a frame.
//
// "moving" frames nudge the view by a hundredth of a canvas unit each time, so every frame
// draws its strokes (as while panning); "still" frames change nothing, so after the second
// the finished strokes are copied from the kept picture (as while a pen stroke is drawn).
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "TiledPage.h"
#include "app/FrameManager.h"
#include "app/CanvasWidget.h"
#include "document/Drawing.h"
#include "io/PageFile.h"
#include "render/DrawingRenderer.h"
#include "render/StrokeBuffers.h"

namespace {
struct Window {
    QTemporaryDir dir;
    std::unique_ptr<CanvasWidget> widget;
    Window() {
        QDir::setCurrent(dir.path());
        widget = std::make_unique<CanvasWidget>(nullptr, -1);
        widget->resize(800, 600);
        widget->show();
        if (!QTest::qWaitForWindowExposed(widget.get())) return;
        QTest::qWait(50);
    }
    Drawing& drawing() { return widget->manager()->drawing(); }
};

// The view centred on canvas (cx, cy) at `zoom`, in an 800 x 600 window.
void aim(Drawing& d, float zoom, float cx, float cy) {
    d.view.zoom = zoom;
    d.view.panX = 400.0f - cx;
    d.view.panY = 300.0f - cy;
}

// `draw` draws one frame; the view moves by +-0.01 canvas units before each when `moving`.
template <class Draw>
void frames(benchmark::State& state, Window& w, bool moving, Draw draw) {
    Drawing& d = w.drawing();
    d.refreshVisibleStrokes();
    const Rect visible = d.visibleRegion();
    int inView = 0;
    for (const Stroke& s : d.strokes) inView += s.bounds.overlaps(visible);
    w.widget->makeCurrent();
    float nudge = 0.01f;
    for (auto _ : state) {
        if (moving) {
            d.view.panX += nudge;
            nudge = -nudge;
        }
        glClear(GL_COLOR_BUFFER_BIT);
        draw();
        glFinish();
    }
    w.widget->doneCurrent();
    state.counters["strokes"] = d.strokes.count();
    state.counters["in_view"] = inView;
}

void frames(benchmark::State& state, Window& w, bool moving) {
    frames(state, w, moving, [&] { w.widget->manager()->renderFrame(false); });
}

// range(0): cells per side of the page (32, 100, 316: about 1,000, 10,000, 100,000
// strokes); range(1): 1 loads only the strokes the view draws; range(2): 1 moving.
void BM_Frame_HundredInView(benchmark::State& state) {
    const int grid = static_cast<int>(state.range(0));
    Window w;
    Drawing& d = w.drawing();
    aim(d, static_cast<float>(grid) * 0.1f, 800.0f, 700.0f);
    const Rect visible = d.visibleRegion();
    io::PageContent page{tiledPage(state.range(1) ? &visible : nullptr, grid), {}};
    d.loadContent(page);
    frames(state, w, state.range(2) != 0);
}
BENCHMARK(BM_Frame_HundredInView)
    ->ArgsProduct({{32, 100, 316}, {0, 1}, {1, 0}})
    ->ArgNames({"grid", "only_in_view", "moving"})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

// The whole 10,000-stroke page in view (zoomed out), moving or still.
void BM_Frame_AllInView(benchmark::State& state) {
    Window w;
    Drawing& d = w.drawing();
    aim(d, 0.6f, 450.0f, 450.0f);
    d.loadContent(io::PageContent{tiledPage(), {}});
    frames(state, w, state.range(0) != 0);
}
BENCHMARK(BM_Frame_AllInView)->ArgName("moving")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The strokes alone, all 10,000 in view, every frame drawn: from the strokes' own arrays
// (range(0) 0) or from GPU buffers (1).
void BM_Strokes_AllInView(benchmark::State& state) {
    Window w;
    Drawing& d = w.drawing();
    aim(d, 0.6f, 450.0f, 450.0f);
    d.loadContent(io::PageContent{tiledPage(), {}});
    w.widget->makeCurrent();
    auto buffers = std::make_unique<StrokeBuffers>();
    StrokeBuffers* use = state.range(0) ? buffers.get() : nullptr;
    frames(state, w, true, [&] { renderDrawing(d, {}, use); });
    w.widget->makeCurrent();
    buffers.reset();
    w.widget->doneCurrent();
}
BENCHMARK(BM_Strokes_AllInView)->ArgName("buffers")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);
}  // namespace
