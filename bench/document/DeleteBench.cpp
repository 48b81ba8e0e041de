// Deleting many selected strokes at once: the bin's clear and the box's delete, with every
// stroke of the page selected. The cost per stroke must not grow with the selection.

#include <benchmark/benchmark.h>

#include "BenchPage.h"

namespace {

// `count` short strokes (three points each) on a grid over the page, indexed, all selected.
std::unique_ptr<Drawing> selectedPage(int count) {
    auto d = benchpage::makeDrawing();
    const int grid = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(count))));
    const float cell = Drawing::kCanvasSize / static_cast<float>(grid);
    for (int k = 0; k < count; ++k) {
        const float x = (static_cast<float>(k % grid) + 0.1f) * cell;
        const float y = (static_cast<float>(k / grid) + 0.1f) * cell;
        auto s = std::make_unique<Stroke>(x, y, 1.0f, 1.0f);
        s->points.push_back({x + 0.4f * cell, y + 0.3f * cell, 1.0f, 1.0f});
        s->points.push_back({x + 0.8f * cell, y, 1.0f, 1.0f});
        s->recomputeBounds();
        Stroke& added = d->appendStroke(std::move(s));
        d->index.insertStroke(added);
        d->selection.push_back(&added);
    }
    d->selectionBox.showForSelection(d->selection);
    return d;
}

template <class Delete>
void DeleteSelected(benchmark::State& state, Delete del) {
    const int count = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto d = selectedPage(count);
        state.ResumeTiming();
        del(*d);
        state.PauseTiming();
        if (!d->strokes.empty() || !d->selection.empty()) state.SkipWithError("strokes left");
        d.reset();
        state.ResumeTiming();
    }
    state.counters["per_stroke"] = benchmark::Counter(
        static_cast<double>(count), benchmark::Counter::kIsIterationInvariantRate |
                                        benchmark::Counter::kInvert);
}

void ClearSelected(benchmark::State& state) {
    DeleteSelected(state, [](Drawing& d) { d.clear(); });
}
void DeleteSelection(benchmark::State& state) {
    DeleteSelected(state, [](Drawing& d) { d.deleteSelection(); });
}

}  // namespace

BENCHMARK(ClearSelected)->Arg(15000)->Arg(150000)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(DeleteSelection)->Arg(15000)->Arg(150000)->Iterations(3)->Unit(benchmark::kMillisecond);
