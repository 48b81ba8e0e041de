// Cost of one extendStroke event as a function of the length of the stroke being drawn.
// The goal is a flat cost: the outline and the simplification must only touch the tail.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>

#include "BenchPage.h"

namespace {

// A zigzag path in rows across the page: each event moves 5 pixels, so every event adds a
// point, and the 10-pixel teeth keep simplification from removing them.
struct Zigzag {
    int step = 0;
    Vec2 at() const {
        const int perRow = 170;
        const int row = step / perRow;
        const int col = step % perRow;
        const float x = row % 2 == 0 ? 20.0f + 5.0f * col : 865.0f - 5.0f * col;
        const float y = 20.0f + 20.0f * row + (col % 2 == 0 ? 0.0f : 10.0f);
        return {x, y};
    }
};

// Per iteration: draw a stroke up to `length` points (not timed), then time 20 more events.
// Reported time is per event.
void ExtendStrokeEvent(benchmark::State& state) {
    const int length = static_cast<int>(state.range(0));
    constexpr int kTimed = 20;
    auto d = benchpage::makeDrawing();
    for (auto _ : state) {
        Zigzag path;
        Vec2 prev = path.at();
        d->beginStroke(prev.x, prev.y, 1.0f);
        while (d->current->pointCount() < length) {
            ++path.step;
            const Vec2 p = path.at();
            d->extendStroke(p.x, p.y, p.x - prev.x, p.y - prev.y, 1.0f);
            prev = p;
        }
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kTimed; ++i) {
            ++path.step;
            const Vec2 p = path.at();
            d->extendStroke(p.x, p.y, p.x - prev.x, p.y - prev.y, 1.0f);
            prev = p;
        }
        const auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count() / kTimed);
        d->withdrawStroke({});  // drop the stroke without indexing it
    }
}

}  // namespace

BENCHMARK(ExtendStrokeEvent)
    ->Arg(50)
    ->Arg(500)
    ->Arg(5000)
    ->Iterations(400)  // each iteration rebuilds its stroke, which the manual time leaves out
    ->Repetitions(3)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
