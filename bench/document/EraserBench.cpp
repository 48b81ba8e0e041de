// One eraser drag across a page of 10,000 strokes, timed per event.

#include <benchmark/benchmark.h>

#include "BenchPage.h"

namespace {

// The drag runs left to right along y = 453.5 (through the middle of a row of cells), one
// event every 3 pixels: 300 events per drag, one timed iteration per event.
void EraseDragEvent(benchmark::State& state) {
    auto d = benchpage::tiledDrawing(static_cast<int>(state.range(0)));
    const std::uint32_t before = d->strokes.count();
    float x = 0.0f;
    for (auto _ : state) {
        d->eraseAt(x, 453.5f, 1.0f);  // radius 5
        x += 3.0f;
    }
    state.counters["strokes"] = static_cast<double>(before);
    state.counters["strokes_after"] = static_cast<double>(d->strokes.count());
}

}  // namespace

BENCHMARK(EraseDragEvent)
    ->Arg(10000)
    ->Iterations(300)
    ->Repetitions(5)
    ->Unit(benchmark::kMicrosecond);
