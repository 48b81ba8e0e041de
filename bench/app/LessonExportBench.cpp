// The hand-outs of a lesson: the PDF of 10 pages of 1,000 recorded strokes each (nine page
// files and the page on screen), and the PNG of one such page.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <span>
#include <sstream>

#include "app/FrameManager.h"
#include "app/CanvasWidget.h"
#include "app/QtLessonExporter.h"
#include "document/Drawing.h"
#include "LessonPages.h"
#include "io/PageFile.h"

namespace {
struct Lesson {
    QTemporaryDir dir;
    std::unique_ptr<CanvasWidget> widget;
    std::unique_ptr<QtLessonExporter> exporter;
    Lesson() {
        QDir::setCurrent(dir.path());
        for (int page = 0; page < kPages; ++page) writeLessonPage(page);
        widget = std::make_unique<CanvasWidget>(nullptr, -1);
        widget->resize(800, 600);
        widget->show();
        if (!QTest::qWaitForWindowExposed(widget.get())) std::abort();
        QTest::qWait(50);
        drawing().loadXml("0.xml");
        exporter = std::make_unique<QtLessonExporter>();
    }
    Drawing& drawing() { return widget->manager()->drawing(); }
};

// The lines the exports print would swamp the benchmark's table.
struct QuietStdout {
    std::ostringstream sink;
    std::streambuf* saved = std::cout.rdbuf(sink.rdbuf());
    ~QuietStdout() { std::cout.rdbuf(saved); }
};

void BM_LessonPdf_10PagesOf1000Strokes(benchmark::State& state) {
    Lesson lesson;
    std::size_t strokes = 0;
    for (auto _ : state) {
        QuietStdout quiet;
        benchmark::DoNotOptimize(lesson::exportPdf(lesson.drawing(), 0, *lesson.exporter));
    }
    for (const Stroke& s : lesson.drawing().strokes) strokes += s.points.empty() ? 0 : 1;
    std::size_t quads = 0;
    for (int page = 0; page < kPages; ++page) {
        for (const auto& o : exportOutlines(*io::readPageFile(std::to_string(page) + ".xml")))
            quads += o.opacities.size();
    }
    state.counters["pdf_bytes"] = static_cast<double>(std::filesystem::file_size("pages.pdf"));
    state.counters["strokes_per_page"] = static_cast<double>(strokes);
    state.counters["quads"] = static_cast<double>(quads);
}

void BM_LessonPng_1000Strokes(benchmark::State& state) {
    Lesson lesson;
    for (auto _ : state) {
        QuietStdout quiet;
        benchmark::DoNotOptimize(lesson::exportPng(lesson.drawing(), 0, *lesson.exporter));
    }
    state.counters["png_bytes"] = static_cast<double>(std::filesystem::file_size("0.png"));
}

BENCHMARK(BM_LessonPdf_10PagesOf1000Strokes)->Unit(benchmark::kMillisecond)->MinTime(5.0);
BENCHMARK(BM_LessonPng_1000Strokes)->Unit(benchmark::kMillisecond)->MinTime(3.0);
}  // namespace
