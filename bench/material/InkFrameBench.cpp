// Frames of ink drawn over a PDF page while its renders run, against the same ink on a
// plain page, in a real window. Every 40 frames the page's background turns to the next
// page of the PDF (a flip without its save), so a render runs on a worker while the pen
// draws and goes up to the GL when it comes in. Frames are paced at 60 Hz; each one's
// time is from its start to glFinish. Arg: 1 over the PDF, 0 on plain paper.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "MaterialBench.h"
#include "app/CanvasWidget.h"
#include "app/FrameManager.h"
#include "controller/CanvasController.h"
#include "document/Drawing.h"
#include "material/BackgroundRenderer.h"
#include "material/MaterialFiles.h"

namespace {
void BM_InkFrame(benchmark::State& state) {
    const bool pdf = state.range(0) != 0;
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    material_test::writeFile(dir.filePath("long.pdf").toStdString(), material_bench::longPdf());
    auto widget = std::make_unique<CanvasWidget>(nullptr, -1);
    widget->resize(800, 600);
    widget->show();
    if (!QTest::qWaitForWindowExposed(widget.get())) {
        state.SkipWithError("the window was not shown");
        widget.reset();
        QDir::setCurrent(previous);
        return;
    }
    QTest::qWait(50);
    FrameManager& m = *widget->manager();
    Drawing& d = m.drawing();
    CanvasController& c = m.controller();
    c.setMenuHome(Vec2(-1000.0f, -1000.0f));
    // Zoom 2 (renders 2048 pixels a side), the window on the page's middle.
    d.view.zoom = 2.0f;
    d.view.panX = 400.0f - 450.0f;
    d.view.panY = 300.0f - 450.0f;
    if (pdf) d.style.background = "long.pdf";

    std::vector<double> times;
    int frame = 0;
    widget->makeCurrent();
    for (auto _ : state) {
        if (frame % 40 == 0) d.style.backgroundPage = static_cast<std::uint32_t>(frame / 40 % 200 + 1);
        // Strokes of 100 points zigzagging across the middle of the window.
        const float x = 150.0f + static_cast<float>(frame % 100) * 5.0f;
        const float y = 250.0f + static_cast<float>(frame % 20) * 5.0f;
        if (frame % 100 == 0) {
            if (frame > 0) c.onRelease(x, y, 0);
            c.onPress(x, y, 0, 1.0f);
        } else {
            c.onDrag(x, y, 1.0f);
        }
        const auto start = std::chrono::steady_clock::now();
        glClear(GL_COLOR_BUFFER_BIT);
        m.renderFrame(false);
        glFinish();
        const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(t);
        times.push_back(t);
        ++frame;
        // Frames come at the display's rate (60 Hz), as ink does: the renders have the
        // rest of each frame's time.
        std::this_thread::sleep_until(start + std::chrono::microseconds(16667));
    }
    c.onRelease(0, 0, 0);
    widget->doneCurrent();
    std::sort(times.begin(), times.end());
    state.counters["p95_ms"] = times[times.size() * 95 / 100] * 1e3;
    state.counters["max_ms"] = times.back() * 1e3;
    widget.reset();
    QDir::setCurrent(previous);
}
BENCHMARK(BM_InkFrame)->ArgName("pdf")->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1200);
}  // namespace
