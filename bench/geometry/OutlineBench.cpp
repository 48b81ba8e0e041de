// Outline and simplification cost on the recorded pen strokes, per control point and per
// input sample. Every iteration processes all recordings once.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "geometry/Stroke.h"
#include "support/PenReplay.h"
#include "support/StrokeData.h"

namespace {

struct Corpus {
    std::vector<strokedata::RecordedStroke> recordings;
    std::vector<Stroke> drawn;  // as the pen draws them: simplified at tolerance 1
    std::vector<Stroke> dense;  // every accepted pen point, not simplified
    double samples = 0;
    double drawnPoints = 0;
    double densePoints = 0;
};

const Corpus& corpus() {
    static const Corpus c = [] {
        Corpus k;
        k.recordings = strokedata::loadPageStrokes();
        for (const auto& rec : k.recordings) {
            k.samples += static_cast<double>(rec.samples.size());
            k.drawn.push_back(PenReplay::replay(rec));
            PenReplay::Options raw;
            raw.smoothness = 0.0f;
            raw.buildOutline = false;
            k.dense.push_back(PenReplay::replay(rec, raw));
            k.drawnPoints += k.drawn.back().pointCount();
            k.densePoints += k.dense.back().pointCount();
        }
        return k;
    }();
    return c;
}

// Time per unit of `count`, shown as a duration.
benchmark::Counter perUnit(double count) {
    return benchmark::Counter(
        count, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void setCounters(benchmark::State& state, double points) {
    state.counters["per_point"] = perUnit(points);
    state.counters["per_sample"] = perUnit(corpus().samples);
}

// Ribs and outline of finished strokes, as after loading a page or changing the zoom.
void BM_RibsAndOutline(benchmark::State& state) {
    const float zoom = static_cast<float>(state.range(0));
    std::vector<Stroke> strokes = corpus().drawn;
    for (auto _ : state) {
        for (Stroke& s : strokes) {
            s.buildAllRibs(zoom);
            s.buildOutline(zoom);
            benchmark::DoNotOptimize(s.vertices.data());
        }
    }
    setCounters(state, corpus().drawnPoints);
}
BENCHMARK(BM_RibsAndOutline)->Arg(1)->Arg(4);

// Simplification of every accepted pen point of each stroke in one pass.
void BM_Simplify(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<Stroke> strokes = corpus().dense;
        state.ResumeTiming();
        for (Stroke& s : strokes) {
            benchmark::DoNotOptimize(s.simplify(1, s.pointCount() - 1, 1.0f, 1.0f));
        }
    }
    setCounters(state, corpus().densePoints);
}
BENCHMARK(BM_Simplify);

// From raw samples to the finished outline in one go: point spacing, tail simplification
// as the pen goes, then ribs and outline once. The counterpart of a one-shot outline call.
void BM_SamplesToOutline(benchmark::State& state) {
    PenReplay::Options options;
    options.buildOutline = false;
    for (auto _ : state) {
        for (const auto& rec : corpus().recordings) {
            Stroke s = PenReplay::replay(rec, options);
            s.buildOutline(1.0f);
            benchmark::DoNotOptimize(s.vertices.data());
        }
    }
    setCounters(state, corpus().drawnPoints);
}
BENCHMARK(BM_SamplesToOutline);

// Live drawing: the outline rebuilt (incrementally) after every added point.
void BM_LiveDrawing(benchmark::State& state) {
    for (auto _ : state) {
        for (const auto& rec : corpus().recordings) {
            Stroke s = PenReplay::replay(rec);
            benchmark::DoNotOptimize(s.vertices.data());
        }
    }
    setCounters(state, corpus().drawnPoints);
}
BENCHMARK(BM_LiveDrawing);

// One simplification over a whole long stroke (as erasing or reshaping does), per point:
// it should grow only slowly with the length.
void BM_SimplifyLongStroke(benchmark::State& state) {
    const int length = static_cast<int>(state.range(0));
    Stroke dense(0, 450, 2.5f, 1);
    for (int i = 1; i < length; ++i) {
        const float x = static_cast<float>(i) * 2.0f;
        dense.addPoint(x, 450 + 40 * std::sin(x * 0.02f) + 3 * std::sin(x * 0.7f), 2.5f, 1);
    }
    for (auto _ : state) {
        state.PauseTiming();
        Stroke s = dense;
        state.ResumeTiming();
        benchmark::DoNotOptimize(s.simplify(1, s.pointCount() - 1, 1.0f, 1.0f));
    }
    state.counters["per_point"] = perUnit(length);
}
BENCHMARK(BM_SimplifyLongStroke)->Arg(1000)->Arg(10000);

// One pen step at the end of a stroke that already has `range(0)` points: addPoint, the
// tail simplification every few points, and the incremental outline. It should cost the
// same whatever the length (each run adds only 3000 points).
void BM_ExtendLongStroke(benchmark::State& state) {
    const int length = static_cast<int>(state.range(0));
    Stroke s(0, 450, 2.5f, 1);
    int pending = 1;
    auto step = [&](float x, float y, float tolerance) {
        s.addPoint(x, y, 2.5f, 1);
        if (s.pointCount() - pending - 1 > 14) {
            s.simplify(pending, s.pointCount() - 1, 1, tolerance);
            pending = std::max(1, s.pointCount() - 4);
        }
        s.buildOutline(1);
    };
    // A wavy line; tolerance 0 while building keeps every point.
    for (int i = 1; i < length; ++i) {
        const float x = static_cast<float>(i) * 0.5f;
        step(x, 450 + 40 * std::sin(x * 0.05f), 0.0f);
    }
    // Room for the run, so that one doubling of a long stroke's arrays (amortised over the
    // whole stroke in real drawing) does not land inside these few thousand steps.
    s.points.reserve(s.points.size() + 4000);
    s.ribLists.reserve(s.ribLists.size() + 4000);
    s.vertices.reserve(s.vertices.size() * 2);
    s.colours.reserve(s.colours.size() * 2);
    float x = static_cast<float>(length) * 0.5f;
    for (auto _ : state) {
        x += 0.5f;
        step(x, 450 + 40 * std::sin(x * 0.05f), 1.0f);
        benchmark::DoNotOptimize(s.vertices.data());
    }
    state.counters["points"] = s.pointCount();
}
BENCHMARK(BM_ExtendLongStroke)->Arg(100)->Arg(1000)->Arg(10000)->Arg(100000)->Iterations(3000);

}  // namespace
