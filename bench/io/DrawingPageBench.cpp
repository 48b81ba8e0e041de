// The whole page load and save as the user meets them: Drawing::loadXml (parse, ribs,
// outlines, index) and Drawing::saveXml (format, safe replace) of 100,000 control points,
// against TinyXML's bare parse of the same file.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <span>
#include <sstream>

#ifndef TIXML_USE_STL
#define TIXML_USE_STL
#endif
#include <tinyxml.h>

#include "document/Drawing.h"
#include "io/PageFile.h"
#include "support/StrokeData.h"

namespace {
constexpr std::size_t kPoints = 100'000;

// The recorded strokes at page size, cycled, each shifted a little, until kPoints are placed.
std::vector<std::vector<ControlPoint>> page() {
    const auto recorded = strokedata::loadPageStrokes();
    std::vector<std::vector<ControlPoint>> out;
    std::size_t placed = 0;
    for (int round = 0; placed < kPoints; ++round) {
        const float shift = static_cast<float>(round % 40);
        for (const auto& rec : recorded) {
            std::vector<ControlPoint> pts;
            for (const auto& s : rec.samples) {
                if (placed == kPoints) break;
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
    Scratch() {
        std::filesystem::create_directories(dir);
        std::filesystem::current_path(dir);
        std::filesystem::remove("0.xml");
        const auto pts = page();
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

void perPoint(benchmark::State& state) {
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kPoints));
}

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

// TinyXML alone, reading the same file from disk: the floor under a full load.
void BM_TinyXmlBareLoad100kPoints(benchmark::State& state) {
    Scratch s;
    for (auto _ : state) {
        TiXmlDocument doc;
        benchmark::DoNotOptimize(doc.LoadFile("page.xml"));
    }
    perPoint(state);
}

BENCHMARK(BM_DrawingLoad100kPoints)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawingSave100kPoints)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TinyXmlBareLoad100kPoints)->Unit(benchmark::kMillisecond);
}  // namespace
