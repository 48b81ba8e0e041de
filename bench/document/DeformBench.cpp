// One edit-mode deformation gesture with the start-up push tool (50 x 50), timed per drag
// event, and the release that simplifies and re-indexes what it touched.

#include <benchmark/benchmark.h>

#include "BenchPage.h"

namespace {

// The drag runs left to right along y = 453.5, pushing up 1 px per 3 px event: 300 events
// per gesture, one timed iteration per event. Every stroke touched stays out of the index
// and is looked at again on each later event, so late events cost the most.
void DeformDragEvent(benchmark::State& state) {
    auto d = benchpage::tiledDrawing(static_cast<int>(state.range(0)));
    float x = 0.0f;
    d->beginDeform(x, 453.5f, 0);
    for (auto _ : state) {
        d->deformDrag(x, 453.5f, 3.0f, 1.0f, 1.0f);
        x += 3.0f;
    }
    state.counters["deformed"] = static_cast<double>(d->deformed.size());
    d->endDeform(0);
}

// The release after such a gesture, timed alone (a fresh gesture per iteration).
void DeformRelease(benchmark::State& state) {
    auto d = benchpage::tiledDrawing(static_cast<int>(state.range(0)));
    std::size_t deformed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        d->beginDeform(0.0f, 453.5f, 0);
        for (float x = 0.0f; x < 900.0f; x += 3.0f) d->deformDrag(x, 453.5f, 3.0f, 1.0f, 1.0f);
        deformed = d->deformed.size();
        state.ResumeTiming();
        d->endDeform(0);
    }
    state.counters["deformed"] = static_cast<double>(deformed);
}

}  // namespace

// 16 strokes: the recorded strokes in a 4 x 4 grid, about 200 units each.
// 10,000: the page of small strokes the other document benchmarks use.
BENCHMARK(DeformDragEvent)
    ->Arg(16)
    ->Arg(10000)
    ->Iterations(300)
    ->Repetitions(5)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(DeformRelease)->Arg(16)->Arg(10000)->Iterations(5)->Unit(benchmark::kMicrosecond);
