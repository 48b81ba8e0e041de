// Undo and redo on a page of 10,000 strokes, the memory 1,000 commands hold, and the
// journal's cost during a burst of strokes.

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "BenchPage.h"
#include "document/Command.h"
#include "document/PageHistories.h"
#include "io/JournalWriter.h"

namespace {

constexpr int kPage = 10000;
using Clock = std::chrono::steady_clock;

// A recorded stroke drawn through the pen operations at `origin`, `scale` of its size.
void drawStroke(Drawing& d, std::size_t which, Vec2 origin, float scale) {
    const auto& pts = benchpage::baseStrokes()[which % benchpage::baseStrokes().size()];
    const Vec2 first = origin + pts[0].pos() * scale;
    d.beginStroke(first.x, first.y, 1.0f);
    Vec2 prev = first;
    for (const ControlPoint& p : pts) {
        const Vec2 q = origin + p.pos() * scale;
        d.extendStroke(q.x, q.y, q.x - prev.x, q.y - prev.y, 1.0f);
        prev = q;
    }
    d.endStroke(prev.x, prev.y);
}

// Selects the strokes whose cells lie in the square (400, 400)-(400 + side, 400 + side):
// about 120 strokes for a side of 100, 20 for 40 (a word or two).
void selectBlock(Drawing& d, float side) {
    const Rect block(400, 400, 400 + side, 400 + side);
    d.selection.clear();
    for (Stroke& s : d.strokes) {
        if (block.contains(s.bounds.min()) && block.contains(s.bounds.max())) d.selection.push_back(&s);
    }
    d.selectionBox.showForSelection(d.selection);
}

using Change = std::function<void(Drawing&, PageHistories&)>;

// Times undo (timeUndo) or redo of one command on the page, alternating the two.
void UndoRedo(benchmark::State& state, const Change& change, bool timeUndo) {
    auto d = benchpage::tiledDrawing(kPage);
    PageHistories h(*d);
    change(*d, h);
    if (h.history().undoCount() != 1) state.SkipWithError("the change made no command");
    for (auto _ : state) {
        const auto t0 = Clock::now();
        const bool undone = h.undo();
        const auto t1 = Clock::now();
        const bool redone = h.redo();
        const auto t2 = Clock::now();
        if (!undone || !redone) state.SkipWithError("undo or redo refused");
        state.SetIterationTime(std::chrono::duration<double>(timeUndo ? t1 - t0 : t2 - t1).count());
    }
    state.counters["strokes"] = static_cast<double>(d->strokes.count());
}

const Change kDrawOne = [](Drawing& d, PageHistories& h) {
    h.beginGesture(1, io::ChangeKind::Draw);
    drawStroke(d, 0, {300, 300}, 0.3f);
    h.endGesture(1);
};

// 100 eraser events along the middle row of cells, 3 pixels apart.
const Change kEraseGesture = [](Drawing& d, PageHistories& h) {
    h.beginGesture(1, io::ChangeKind::Erase);
    for (int i = 0; i < 100; ++i) d.eraseAt(300.0f + 3.0f * static_cast<float>(i), 453.5f, 1.0f);
    h.endGesture(1);
};

// A drag of 30 steps moving the selected strokes.
Change moveOf(float side) {
    return [side](Drawing& d, PageHistories& h) {
        selectBlock(d, side);
        h.beginGesture(1, io::ChangeKind::Transform);
        for (int i = 0; i < 30; ++i) d.moveSelection(2.0f, 1.0f);
        h.endGesture(1);
        d.selectionBox.hide();
        d.selection.clear();
    };
}

// One step of the same drag: the work an undo of a move repeats (baseline).
void MoveStep(benchmark::State& state) {
    auto d = benchpage::tiledDrawing(kPage);
    selectBlock(*d, static_cast<float>(state.range(0)));
    float sign = 1.0f;
    for (auto _ : state) {
        d->moveSelection(2.0f * sign, 1.0f * sign);
        sign = -sign;
    }
    state.counters["selected"] = static_cast<double>(d->selection.size());
}

const Change kClear = [](Drawing& d, PageHistories& h) {
    h.recordAs(io::ChangeKind::Clear, [&] { d.clear(); });
};

// The clear itself, recorded (Arg 1) and without a history (Arg 0, the baseline: what the
// index and the list cost), and loading the same page (the baseline of what undo restores).
void ClearPage(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto d = benchpage::tiledDrawing(kPage);
        auto h = state.range(0) ? std::make_unique<PageHistories>(*d) : nullptr;
        state.ResumeTiming();
        if (h) {
            kClear(*d, *h);
        } else {
            d->clear();
        }
        state.PauseTiming();
        // What the clear's command keeps: the strokes, and the page's index with them.
        if (h) state.counters["command_MiB"] = static_cast<double>(h->bytes()) / (1 << 20);
        h.reset();
        d.reset();
        state.ResumeTiming();
    }
}

void LoadPageBaseline(benchmark::State& state) {
    const auto strokes = benchpage::tiledStrokes(kPage);
    io::PageContent page;
    page.strokes = strokes;
    for (auto _ : state) {
        state.PauseTiming();
        auto d = benchpage::makeDrawing();
        state.ResumeTiming();
        d->loadContent(page);
        state.PauseTiming();
        d.reset();
        state.ResumeTiming();
    }
}

// 1,000 commands on the page: draws, eraser gestures and moves in turn. Counters: the
// history's bytes against the page's strokes' bytes.
void ThousandCommandsMemory(benchmark::State& state) {
    for (auto _ : state) {
        auto d = benchpage::tiledDrawing(kPage);
        PageHistories h(*d);
        std::size_t pageBytes = 0;
        for (const Stroke& s : d->strokes) pageBytes += strokeBytes(s);
        for (int i = 0; i < 1000; ++i) {
            const float x = static_cast<float>((i * 37) % 800 + 50);
            const float y = static_cast<float>((i * 53) % 800 + 50);
            if (i % 3 == 0) {
                h.beginGesture(1, io::ChangeKind::Draw);
                drawStroke(*d, static_cast<std::size_t>(i), {x, y}, 0.1f);
                h.endGesture(1);
            } else if (i % 3 == 1) {
                h.beginGesture(1, io::ChangeKind::Erase);
                for (int k = 0; k < 10; ++k) d->eraseAt(x + 3.0f * static_cast<float>(k), y, 1.0f);
                h.endGesture(1);
            } else {
                d->selection.clear();
                for (Stroke* s : d->index.queryStrokes(Rect(x, y, x + 20, y + 20))) d->selection.push_back(s);
                d->selectionBox.showForSelection(d->selection);
                h.beginGesture(1, io::ChangeKind::Transform);
                for (int k = 0; k < 5; ++k) d->moveSelection(1.0f, 0.5f);
                h.endGesture(1);
            }
        }
        state.counters["commands"] = static_cast<double>(h.history().undoCount());
        state.counters["history_MiB"] = static_cast<double>(h.bytes()) / (1 << 20);
        state.counters["page_MiB"] = static_cast<double>(pageBytes) / (1 << 20);
        state.counters["history_per_page"] =
            static_cast<double>(h.bytes()) / static_cast<double>(pageBytes);
    }
}

// 100 strokes drawn over one second with the journal on: the main thread's cost per stroke
// (describing and encoding the change, handing it to the writer) and the syncs it took.
void JournalBurst(benchmark::State& state) {
    for (auto _ : state) {
        auto d = benchpage::tiledDrawing(kPage);
        const std::string path =
            (std::filesystem::current_path() / "bench.xml.journal").string();
        std::filesystem::remove(path);
        io::JournalWriter writer(path, io::encodeJournalStart({}));
        PageHistories h(*d);
        double journalSeconds = 0;
        h.journal = [&](const io::JournalEntry& e) {
            const auto t0 = Clock::now();
            writer.append(io::encodeEntry(e));
            journalSeconds += std::chrono::duration<double>(Clock::now() - t0).count();
        };
        double strokeSeconds = 0;
        const auto start = Clock::now();
        for (int i = 0; i < 100; ++i) {
            const auto t0 = Clock::now();
            h.beginGesture(1, io::ChangeKind::Draw);
            drawStroke(*d, static_cast<std::size_t>(i), {100.0f + 7 * i, 300.0f}, 0.2f);
            h.endGesture(1);  // describes the change and calls the journal
            strokeSeconds += std::chrono::duration<double>(Clock::now() - t0).count();
            std::this_thread::sleep_until(start + std::chrono::milliseconds(10 * (i + 1)));
        }
        const double burst = std::chrono::duration<double>(Clock::now() - start).count();
        const std::uint64_t syncsInBurst = writer.syncCount();
        writer.flush();
        state.counters["journal_us_per_stroke"] = journalSeconds * 1e6 / 100;
        state.counters["stroke_us_with_journal"] = strokeSeconds * 1e6 / 100;
        state.counters["burst_s"] = burst;
        state.counters["syncs_in_burst"] = static_cast<double>(syncsInBurst);
        state.counters["syncs_per_s"] = static_cast<double>(syncsInBurst) / burst;
        state.counters["journal_bytes"] = static_cast<double>(std::filesystem::file_size(path));
        std::filesystem::remove(path);
    }
}

}  // namespace

BENCHMARK_CAPTURE(UndoRedo, undo_stroke, kDrawOne, true)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(UndoRedo, redo_stroke, kDrawOne, false)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(UndoRedo, undo_erase, kEraseGesture, true)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(UndoRedo, redo_erase, kEraseGesture, false)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(UndoRedo, undo_move_20, moveOf(40), true)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(UndoRedo, redo_move_20, moveOf(40), false)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(UndoRedo, undo_move_120, moveOf(100), true)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(UndoRedo, redo_move_120, moveOf(100), false)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(MoveStep)->Arg(40)->Arg(100)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(UndoRedo, undo_clear, kClear, true)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK_CAPTURE(UndoRedo, redo_clear, kClear, false)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(ClearPage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(LoadPageBaseline)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(ThousandCommandsMemory)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(JournalBurst)->Unit(benchmark::kMillisecond)->Iterations(1);
