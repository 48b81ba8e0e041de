// Recognising the shape of a held 1,000-point stroke, against building that stroke's outline
// (ribs and triangle strip at zoom 1): the hold recognises once, the pen builds outlines all
// the time, so recognition must cost no more than one outline.
#include <benchmark/benchmark.h>

#include "geometry/ShapeRecognition.h"
#include "geometry/Stroke.h"
#include "support/ShapeSketch.h"

namespace {

constexpr int kPoints = 1000;

// Exactly kPoints points of a hand-drawn figure 500 units across: 0 a circle, 1 a
// rectangle, 2 a wave (no shape: every fit is tried and fails).
std::vector<Vec2> figure(int which) {
    ShapeSketch sketch(11);
    std::vector<Vec2> pen;
    if (which == 0) pen = sketch.draw(sketch.shape(Shape::Kind::Circle, 0, true, 500.0f), 500.0f);
    if (which == 1) pen = sketch.draw(sketch.shape(Shape::Kind::Polyline, 4, true, 500.0f), 500.0f);
    if (which == 2) pen = sketch.curve(500.0f);
    std::vector<Vec2> out;
    for (int i = 0; i < kPoints; ++i)
        out.push_back(pen[static_cast<std::size_t>(i) * (pen.size() - 1) / (kPoints - 1)]);
    // Points that coincide would be one; nudge them apart along the figure.
    for (int i = 1; i < kPoints; ++i)
        if (out[static_cast<std::size_t>(i)] == out[static_cast<std::size_t>(i - 1)]) out[static_cast<std::size_t>(i)].x += 0.01f;
    return out;
}

void BM_RecogniseShape(benchmark::State& state) {
    const std::vector<Vec2> points = figure(static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(recogniseShape(points, 40.0f));
    state.SetLabel(state.range(0) == 2 ? "wave, no shape" : state.range(0) ? "rectangle" : "circle");
}
BENCHMARK(BM_RecogniseShape)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

void BM_OutlineOfTheSameStroke(benchmark::State& state) {
    const std::vector<Vec2> points = figure(static_cast<int>(state.range(0)));
    Stroke stroke(points[0].x, points[0].y, 2.5f, 1.0f);
    for (std::size_t i = 1; i < points.size(); ++i) stroke.addPoint(points[i].x, points[i].y, 2.5f, 1.0f);
    for (auto _ : state) {
        stroke.buildAllRibs(1.0f);
        stroke.buildOutline(1.0f);
        benchmark::DoNotOptimize(stroke.vertices.data());
    }
    state.SetLabel(state.range(0) == 2 ? "wave" : state.range(0) ? "rectangle" : "circle");
}
BENCHMARK(BM_OutlineOfTheSameStroke)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

}  // namespace
