// Input to screen: from a pen DRAG event's delivery to the window to the completed swap of
// the first frame drawn after it (so showing it), on an empty page and on a page of 10,000
// strokes. The window repaints as the program does.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <functional>
#include <memory>
#include <iostream>
#include <sstream>

#include "LessonPages.h"
#include "TiledPage.h"
#include "app/FrameManager.h"
#include "app/CanvasWidget.h"
#include "app/ReplayDriver.h"
#include "controller/CanvasController.h"
#include "document/Drawing.h"
#include "io/PageFile.h"

namespace {
struct PenWindow {
    QTemporaryDir dir;
    std::unique_ptr<CanvasWidget> widget;
    std::unique_ptr<ReplayDriver> driver;
    QElapsedTimer clock;
    qint64 swappedAt = -1;  // ns on `clock`

    // `prepare` runs in the window's folder before the window opens.
    explicit PenWindow(const std::function<void()>& prepare = nullptr) {
        QDir::setCurrent(dir.path());
        if (prepare) prepare();
        widget = std::make_unique<CanvasWidget>(nullptr, 0);
        widget->resize(800, 600);
        widget->show();
        if (!QTest::qWaitForWindowExposed(widget.get())) return;
        QObject::connect(widget.get(), &QOpenGLWidget::frameSwapped,
                         [this] { swappedAt = clock.nsecsElapsed(); });
        driver = std::make_unique<ReplayDriver>(*widget);
        clock.start();
        settle();
    }
    // Lets every pending frame and animation finish.
    void settle() { QTest::qWait(300); }
    void pen(const char* phase, int x, int y) {
        std::ostringstream s;
        s << "tablet " << phase << " " << x << " " << y << " 0.6 pen\n";
        std::string error;
        driver->run(*ReplayScript::parse(s.str(), error));
    }
    // Nanoseconds from delivering the event to the next completed swap.
    qint64 timedMove(int x, int y) {
        swappedAt = -1;
        const qint64 sent = clock.nsecsElapsed();
        pen("move", x, y);
        while (swappedAt < 0 && clock.nsecsElapsed() - sent < 2'000'000'000)
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        return swappedAt - sent;
    }
};

// range(0): 0 for the empty page, 1 for 10,000 strokes; range(1): the zoom in tenths
// (10: the start-up view, most of the page in view; 100: about 130 strokes in view).
void BM_DragToSwap(benchmark::State& state) {
    PenWindow w;
    Drawing& d = w.widget->manager()->drawing();
    if (state.range(0)) d.loadContent(io::PageContent{tiledPage(), {}});
    d.view.zoom = static_cast<float>(state.range(1)) / 10.0f;
    d.refreshVisibleStrokes();
    w.settle();
    int i = 0;
    for (auto _ : state) {
        if (i % 100 == 0) {
            if (i) w.pen("release", 200 + (i % 100) * 4, 300);
            w.pen("press", 200, 300);
            w.settle();
        }
        // Zigzag rightwards through the window's middle.
        const int x = 200 + (i % 100) * 4, y = 300 + ((i / 2) % 2 ? 20 : -20);
        const qint64 ns = w.timedMove(x, y);
        state.SetIterationTime(static_cast<double>(ns) * 1e-9);
        ++i;
    }
    state.counters["strokes"] = d.strokes.count();
}
BENCHMARK(BM_DragToSwap)
    ->ArgsProduct({{0, 1}, {10, 100}})
    ->ArgNames({"page", "zoom10x"})
    ->UseManualTime()
    ->Iterations(400)
    ->Unit(benchmark::kMillisecond);

// The same pen strokes on page 0 of a lesson of 10 pages of 1,000 strokes, at the start-up
// view, with (range(0) = 1) a PDF export of the lesson running all the while, started again
// whenever it ends, or (0) none.
void BM_DragToSwapWhileExporting(benchmark::State& state) {
    PenWindow w(writeLesson);
    FrameManager& manager = *w.widget->manager();
    CanvasController& controller = manager.controller();
    std::ostringstream sink;  // "Wrote pages.pdf" would swamp the table
    std::streambuf* const saved = std::cout.rdbuf(sink.rdbuf());
    w.settle();
    const bool exporting = state.range(0) != 0;
    int i = 0, exports = 0;
    QElapsedTimer firstExport;
    double firstExportSeconds = 0.0;  // the first export's duration, pen drawing throughout
    for (auto _ : state) {
        if (exporting && !controller.exports().running()) {
            if (exports == 1) firstExportSeconds = firstExport.nsecsElapsed() * 1e-9;
            manager.onKey("P");
            if (exports++ == 0) firstExport.start();
        }
        if (i % 100 == 0) {
            if (i) w.pen("release", 200 + (i % 100) * 4, 300);
            w.pen("press", 200, 300);
            w.settle();
        }
        const int x = 200 + (i % 100) * 4, y = 300 + ((i / 2) % 2 ? 20 : -20);
        const qint64 ns = w.timedMove(x, y);
        state.SetIterationTime(static_cast<double>(ns) * 1e-9);
        ++i;
    }
    controller.finishExports();
    if (exports == 1) firstExportSeconds = firstExport.nsecsElapsed() * 1e-9;
    std::cout.rdbuf(saved);
    state.counters["strokes"] = manager.drawing().strokes.count();
    state.counters["exports_started"] = exports;
    state.counters["first_export_s"] = firstExportSeconds;
}
BENCHMARK(BM_DragToSwapWhileExporting)
    ->ArgName("export")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(400)
    ->Unit(benchmark::kMillisecond);
}  // namespace
