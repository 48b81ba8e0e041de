// Frame time with 10,000 strokes of which about 100 are in view, against a frame with only
// those strokes loaded: the difference is what culling the rest costs.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <span>

#include "TiledPage.h"
#include "app/MyApplicationManager.h"
#include "app/MyProject.h"
#include "document/Drawing.h"
#include "io/PageFile.h"

namespace {
constexpr float kZoom = 10.0f;  // the 800 x 600 view then spans about 11 x 11 cells

struct Window {
    QTemporaryDir dir;
    std::unique_ptr<MyProject> widget;
    Window() {
        QDir::setCurrent(dir.path());
        widget = std::make_unique<MyProject>(nullptr, -1);
        widget->resize(800, 600);
        widget->show();
        QTest::qWaitForWindowExposed(widget.get());
        QTest::qWait(50);
    }
    Drawing& drawing() { return widget->manager()->drawing(); }
    void load(const std::vector<std::vector<ControlPoint>>& page) {
        std::vector<std::span<const ControlPoint>> spans(page.begin(), page.end());
        io::writePageFile("0.xml", spans);
        drawing().loadXml("0.xml");
        drawing().view.zoom = kZoom;
        drawing().view.panX = -400.0f;  // view centre on canvas (800, 700)
        drawing().view.panY = -400.0f;
        drawing().refreshVisibleStrokes();
    }
};

void frames(benchmark::State& state, bool onlyInView) {
    Window w;
    Drawing& d = w.drawing();
    d.view.zoom = kZoom;
    d.view.panX = d.view.panY = -400.0f;
    const Rect visible = d.visibleRegion();
    w.load(tiledPage(onlyInView ? &visible : nullptr));
    int inView = 0;
    for (const Stroke& s : d.strokes) inView += s.bounds.overlaps(visible);
    w.widget->makeCurrent();
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT);
        w.widget->manager()->renderFrame(false);
        glFinish();
    }
    w.widget->doneCurrent();
    state.counters["strokes"] = d.strokes.count();
    state.counters["in_view"] = inView;
}

void BM_Frame_AllStrokesLoaded(benchmark::State& state) { frames(state, false); }
void BM_Frame_OnlyStrokesInView(benchmark::State& state) { frames(state, true); }

BENCHMARK(BM_Frame_AllStrokesLoaded)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Frame_OnlyStrokesInView)->Unit(benchmark::kMillisecond)->MinTime(2.0);
}  // namespace
