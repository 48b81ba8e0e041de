// The whole page load and save as the user meets them: Drawing::loadXml (parse, ribs,
// outlines, index) and Drawing::saveXml (format, safe replace) of 100,000 control points,
// against TinyXML's bare parse of the same file; and the load of 1,000,000 points.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <span>
#include <sstream>

#ifndef TIXML_USE_STL
#define TIXML_USE_STL
#endif
#include <tinyxml.h>

#include "HeapCount.h"
#include "document/Drawing.h"
#include "io/PageFile.h"
#include "support/StrokeData.h"

namespace {
constexpr std::size_t kPoints = 100'000;

// The recorded strokes at page size, cycled, each shifted a little, until `points` are placed.
std::vector<std::vector<ControlPoint>> page(std::size_t points) {
    const auto recorded = strokedata::loadPageStrokes();
    std::vector<std::vector<ControlPoint>> out;
    std::size_t placed = 0;
    for (int round = 0; placed < points; ++round) {
        const float shift = static_cast<float>(round % 40);
        for (const auto& rec : recorded) {
            std::vector<ControlPoint> pts;
            for (const auto& s : rec.samples) {
                if (placed == points) break;
                pts.push_back({s.x + shift, s.y - shift, 1.0f + 4.0f * s.pressure, 1.0f});
                ++placed;
            }
            if (pts.size() >= 2) out.push_back(std::move(pts));
        }
    }
    return out;
}

struct Scratch {
    std::filesystem::path dir = std::filesystem::temp_directory_path() / "inkboard-bench-page";
    std::ostringstream log;
    std::unique_ptr<Drawing> drawing;
    explicit Scratch(std::size_t points = kPoints) {
        std::filesystem::create_directories(dir);
        std::filesystem::current_path(dir);
        std::filesystem::remove("0.xml");
        const auto pts = page(points);
        std::vector<std::span<const ControlPoint>> spans(pts.begin(), pts.end());
        io::writePageFile("page.xml", spans);
        drawing = std::make_unique<Drawing>(log);
    }
    ~Scratch() {
        drawing.reset();
        std::filesystem::current_path(std::filesystem::temp_directory_path());
        std::filesystem::remove_all(dir);
    }
};

void perPoint(benchmark::State& state, std::size_t points = kPoints) {
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * points));
}

double fileBytes() { return static_cast<double>(std::filesystem::file_size("page.xml")); }

void BM_DrawingLoad100kPoints(benchmark::State& state) {
    Scratch s;
    for (auto _ : state) benchmark::DoNotOptimize(s.drawing->loadXml("page.xml"));
    state.counters["strokes"] = s.drawing->strokes.count();
    perPoint(state);
}

void BM_DrawingSave100kPoints(benchmark::State& state) {
    Scratch s;
    s.drawing->loadXml("page.xml");
    for (auto _ : state) benchmark::DoNotOptimize(s.drawing->saveXml("saved.xml"));
    perPoint(state);
}

// TinyXML, the reader of old, alone, reading the same file: the yardstick for a full load.
void BM_TinyXmlBareLoad100kPoints(benchmark::State& state) {
    Scratch s;
    for (auto _ : state) {
        TiXmlDocument doc;
        benchmark::DoNotOptimize(doc.LoadFile("page.xml"));
    }
    perPoint(state);
}

// Heap in use at the peak of one load into an empty drawing, against the file's size:
// first the file read and parsed alone, then the whole load, and what the loaded strokes
// keep (points, ribs, outlines, index entries).
void heapPeaks(benchmark::State& state, std::size_t points) {
    Scratch s(points);
    s.drawing.reset();
    for (auto _ : state) {
        {
            heapcount::Window window;
            benchmark::DoNotOptimize(io::readPageFile("page.xml"));
            state.counters["read_peak_per_file_byte"] =
                static_cast<double>(window.peakBytes()) / fileBytes();
        }
        Drawing drawing(s.log);
        heapcount::Window window;
        drawing.loadXml("page.xml");
        state.counters["load_peak_per_file_byte"] =
            static_cast<double>(window.peakBytes()) / fileBytes();
        state.counters["kept_per_file_byte"] =
            static_cast<double>(window.inUseBytes()) / fileBytes();
    }
    state.counters["file_MB"] = fileBytes() / 1e6;
}

void BM_DrawingLoad100kPointsHeapPeak(benchmark::State& state) { heapPeaks(state, kPoints); }
void BM_DrawingLoad1MPointsHeapPeak(benchmark::State& state) { heapPeaks(state, 10 * kPoints); }

void BM_DrawingLoad1MPoints(benchmark::State& state) {
    Scratch s(10 * kPoints);
    for (auto _ : state) benchmark::DoNotOptimize(s.drawing->loadXml("page.xml"));
    state.counters["strokes"] = s.drawing->strokes.count();
    state.counters["file_MB"] = fileBytes() / 1e6;
    perPoint(state, 10 * kPoints);
}

BENCHMARK(BM_DrawingLoad100kPoints)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawingLoad100kPointsHeapPeak)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawingLoad1MPoints)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawingLoad1MPointsHeapPeak)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawingSave100kPoints)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TinyXmlBareLoad100kPoints)->Unit(benchmark::kMillisecond);
}  // namespace
