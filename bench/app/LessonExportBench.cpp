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
#include "brush/Palette.h"
#include "document/Drawing.h"
#include "io/PageFile.h"
#include "support/StrokeData.h"

namespace {
constexpr int kPages = 10;
constexpr int kStrokesPerPage = 1000;

// The recorded strokes, cycled and shrunk into the cells of a 32 x 32 grid over the page
// (about a handwritten letter each), the palette's colours in turn; `page` shifts the cycle.
void writeLessonPage(int page) {
    static const auto recorded = strokedata::loadPageStrokes();
    constexpr int kGrid = 32;
    constexpr float kCell = 900.0f / kGrid;
    std::vector<std::vector<ControlPoint>> strokes;
    std::vector<Rgb> colours;
    for (int i = 0; i < kStrokesPerPage; ++i) {
        const float ox = kCell * static_cast<float>(i % kGrid);
        const float oy = kCell * static_cast<float>(i / kGrid);
        const auto& rec = recorded[static_cast<std::size_t>(i + page) % recorded.size()];
        std::vector<ControlPoint> pts;
        for (std::size_t k = 0; k < rec.samples.size(); k += 4) {
            const auto& s = rec.samples[k];
            pts.push_back({ox + s.x * kCell / 900.0f, oy + s.y * kCell / 900.0f,
                           0.3f + 0.8f * s.pressure, 1.0f});
        }
        if (pts.size() < 2) pts.push_back({ox + 1.0f, oy + 1.0f, 0.5f, 1.0f});
        strokes.push_back(std::move(pts));
        colours.push_back(kPalette[static_cast<std::size_t>(i) % kPalette.size()]);
    }
    std::vector<std::span<const ControlPoint>> views(strokes.begin(), strokes.end());
    io::writePageFile(std::to_string(page) + ".xml", views, colours);
}

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
        exporter = std::make_unique<QtLessonExporter>(*widget);
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
