// Page file speed at the io level: a page of 100,000 control points built from the
// recorded strokes, tiled over the 900 x 900 page. Per-point times are the reported
// time divided by 100,000 (items_per_second gives points per second).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <span>
#include <string>
#include <vector>

#ifndef TIXML_USE_STL
#define TIXML_USE_STL
#endif
#include <tinyxml.h>

#include <pugixml.hpp>

#include "HeapCount.h"
#include "io/PageFile.h"
#include "support/StrokeData.h"

namespace {

constexpr std::size_t kPoints = 100'000;

// Recorded samples as control points (radius 1..5 and opacity from the pressure), the
// whole recording shrunk into each cell of a 5 x 5 grid until kPoints are placed.
const std::vector<std::vector<ControlPoint>>& page() {
    static const std::vector<std::vector<ControlPoint>> strokes = [] {
        const auto recorded = strokedata::loadPageStrokes();
        std::vector<std::vector<ControlPoint>> out;
        std::size_t placed = 0;
        for (int cell = 0; placed < kPoints; ++cell) {
            const float cx = 180.0f * static_cast<float>(cell % 5);
            const float cy = 180.0f * static_cast<float>((cell / 5) % 5);
            for (const auto& stroke : recorded) {
                std::vector<ControlPoint> points;
                for (const auto& s : stroke.samples) {
                    if (placed == kPoints) break;
                    points.push_back({cx + s.x * 0.2f, cy + s.y * 0.2f, 1.0f + 4.0f * s.pressure,
                                      0.2f + 0.8f * s.pressure});
                    ++placed;
                }
                if (!points.empty()) out.push_back(std::move(points));
            }
        }
        return out;
    }();
    return strokes;
}

std::vector<std::span<const ControlPoint>> views() { return {page().begin(), page().end()}; }

const std::string& pageText() {
    static const std::string text = io::formatPage(views());
    return text;
}

void setPoints(benchmark::State& state) {
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kPoints));
    state.counters["bytes"] = static_cast<double>(pageText().size());
}

void BM_FormatPage(benchmark::State& state) {
    const auto strokes = views();
    for (auto _ : state) benchmark::DoNotOptimize(io::formatPage(strokes));
    setPoints(state);
}

void BM_ParsePage(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(io::parsePage(pageText()));
    setPoints(state);
}

// TinyXML, the reader of old, alone on the same text: the yardstick for ParsePage.
void BM_TinyXmlBareParse(benchmark::State& state) {
    for (auto _ : state) {
        TiXmlDocument document;
        document.Parse(pageText().c_str());
        benchmark::DoNotOptimize(document.Error());
    }
    setPoints(state);
}

// pugixml alone, copying the text and with its default options: the floor under ParsePage.
void BM_PugixmlBareParse(benchmark::State& state) {
    for (auto _ : state) {
        pugi::xml_document document;
        benchmark::DoNotOptimize(document.load_buffer(pageText().data(), pageText().size()));
    }
    setPoints(state);
}

// Heap in use at the peak of one parse, against the size of the text (run once: the
// figures are the counters, not the time).
void BM_ParsePageHeapPeak(benchmark::State& state) {
    pageText();  // built outside the window
    for (auto _ : state) {
        heapcount::Window window;
        benchmark::DoNotOptimize(io::parsePage(pageText()));
        state.counters["peak_per_text_byte"] =
            static_cast<double>(window.peakBytes()) / static_cast<double>(pageText().size());
    }
}

void BM_TinyXmlDocumentHeapPeak(benchmark::State& state) {
    pageText();
    for (auto _ : state) {
        heapcount::Window window;
        {
            TiXmlDocument document;
            document.Parse(pageText().c_str());
        }
        state.counters["peak_per_text_byte"] =
            static_cast<double>(window.peakBytes()) / static_cast<double>(pageText().size());
    }
}

std::string scratchFile() {
    return (std::filesystem::temp_directory_path() /
            ("inkboard-bench-io-" + std::to_string(::getpid()) + ".xml"))
        .string();
}

// Safe replace including both fsyncs; depends on the disk under the temp folder.
void BM_WritePageFile(benchmark::State& state) {
    const auto strokes = views();
    const std::string path = scratchFile();
    for (auto _ : state) benchmark::DoNotOptimize(io::writePageFile(path, strokes));
    std::filesystem::remove(path);
    setPoints(state);
}

void BM_ReadPageFile(benchmark::State& state) {
    const std::string path = scratchFile();
    io::writePageFile(path, views());
    for (auto _ : state) benchmark::DoNotOptimize(io::readPageFile(path));
    std::filesystem::remove(path);
    setPoints(state);
}

BENCHMARK(BM_FormatPage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParsePage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TinyXmlBareParse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PugixmlBareParse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParsePageHeapPeak)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TinyXmlDocumentHeapPeak)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WritePageFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadPageFile)->Unit(benchmark::kMillisecond);

}  // namespace
