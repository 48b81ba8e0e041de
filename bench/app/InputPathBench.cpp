// The input path: from a DRAG event entering the manager's routing to the stroke's outline
// being ready (or the eraser's cut being indexed), per event. No window is needed: the
// manager routes without drawing.
#include <benchmark/benchmark.h>

#include <time.h>

#include <QTemporaryDir>
#include <chrono>
#include <memory>
#include <sstream>
#include <span>
#include <thread>

#include "TiledPage.h"
#include "app/FrameManager.h"
#include "app/LiveLesson.h"
#include "controller/CanvasController.h"
#include "document/Drawing.h"
#include "io/PageFile.h"
#include "platform/ConstantProvider.h"
#include "platform/MonotonicFrameTimer.h"
#include "platform/SurfaceEvent.h"
#include "support/NatsServer.h"

namespace {
// One long pen path made of every recorded stroke, each continuing where the last ended,
// folded back into the page's middle so it never leaves it (screen = canvas + 50).
std::vector<Vec2> longPath() {
    std::vector<Vec2> path;
    Vec2 at(450.0f, 450.0f);
    for (const auto& rec : strokedata::loadAllStrokes()) {
        for (std::size_t i = 1; i < rec.samples.size(); ++i) {
            const Vec2 d(rec.samples[i].x - rec.samples[i - 1].x,
                         -(rec.samples[i].y - rec.samples[i - 1].y));
            at += d;
            at.x = 150.0f + std::fmod(std::fabs(at.x - 150.0f), 700.0f);
            at.y = 150.0f + std::fmod(std::fabs(at.y - 150.0f), 700.0f);
            path.push_back(at);
        }
    }
    return path;
}

struct Manager {
    QTemporaryDir dir;
    std::unique_ptr<FrameManager> m;
    std::uint32_t press, drag, release;
    Manager() {
        QDir::setCurrent(dir.path());
        m = std::make_unique<FrameManager>(std::make_unique<MonotonicFrameTimer>());
        m->resize(1200, 1000);
        m->controller().setMenuHome(Vec2(-1000.0f, -1000.0f));  // out of the way of every press
        auto& c = ConstantProvider::getInstance();
        press = c.getEventTypeIdentifier("PRESS");
        drag = c.getEventTypeIdentifier("DRAG");
        release = c.getEventTypeIdentifier("RELEASE");
    }
    void route(std::uint32_t type, Vec2 p, int alt, PointerKey pointer = {}) {
        SurfaceEvent e(type, 0, p.x, p.y, 0.0, nullptr, 1);
        e.setPointer(pointer);
        m->routeEvent(e, alt, 1.0f, nullptr);
    }
};

// Events already routed into the stroke before the measured ones: the cost must not grow.
void BM_DrawDragEvent(benchmark::State& state) {
    static const std::vector<Vec2> path = longPath();
    Manager h;
    const std::size_t before = static_cast<std::size_t>(state.range(0));
    std::size_t i = 0;
    h.route(h.press, path[i++], 0);
    for (; i < before; ++i) h.route(h.drag, path[i % path.size()], -1);
    for (auto _ : state) h.route(h.drag, path[i++ % path.size()], -1);
    state.counters["points"] = h.m->drawing().current->pointCount();
    state.counters["vertices"] = h.m->drawing().current->vertexCount;
}
BENCHMARK(BM_DrawDragEvent)->Arg(1)->Arg(2000)->Arg(20000)->Iterations(2000);

// Several touch contacts drawing at once, their DRAG events interleaved one by one: the
// cost per event, against one contact drawing alone (Arg 1). Each contact follows the long
// path from its own starting point; it moves 10 px before the next lands, so that no two
// make a view gesture.
void BM_ContactsDrawDragEvent(benchmark::State& state) {
    static const std::vector<Vec2> path = longPath();
    Manager h;
    const std::size_t contacts = static_cast<std::size_t>(state.range(0));
    std::vector<std::size_t> at(contacts);
    for (std::size_t k = 0; k < contacts; ++k) {
        at[k] = k * path.size() / contacts;
        const PointerKey key = PointerKey::touch(static_cast<std::int64_t>(k));
        const Vec2 start = path[at[k]];
        h.route(h.press, start, 0, key);
        while (distance(path[at[k] % path.size()], start) < 10.0f)
            h.route(h.drag, path[++at[k] % path.size()], -1, key);
    }
    std::size_t i = 0;
    for (auto _ : state) {
        const std::size_t k = i++ % contacts;
        h.route(h.drag, path[++at[k] % path.size()], -1,
                PointerKey::touch(static_cast<std::int64_t>(k)));
    }
    state.counters["strokes_drawing"] =
        static_cast<double>(h.m->drawing().strokesInProgress().size());
}
BENCHMARK(BM_ContactsDrawDragEvent)->Arg(1)->Arg(10)->Iterations(20000)->Repetitions(5);

// A right-button drag across a page of 10,000 strokes, per event.
void BM_EraseDragEvent(benchmark::State& state) {
    Manager h;
    const auto page = tiledPage();
    std::vector<std::span<const ControlPoint>> spans(page.begin(), page.end());
    io::writePageFile("0.xml", spans);
    h.m->drawing().loadXml("0.xml");
    const std::size_t strokes = h.m->drawing().strokes.count();
    // Across the page's diagonal (clear of the corner zone), 5 pixels per event, over and over.
    std::vector<Vec2> sweep;
    for (float t = 0.0f; t < 780.0f; t += 3.5f) sweep.push_back({120.0f + t, 120.0f + t * 0.9f});
    std::size_t i = 0;
    h.route(h.press, sweep[0], 1);
    for (auto _ : state) h.route(h.drag, sweep[++i % sweep.size()], -1);
    state.counters["strokes_before"] = static_cast<double>(strokes);
    state.counters["strokes_after"] = h.m->drawing().strokes.count();
}
BENCHMARK(BM_EraseDragEvent)->Iterations(500)->Unit(benchmark::kMicrosecond);

double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// The recorded strokes as a pen draws them, one per iteration: press, drags, release through
// FrameManager::routeEvent, the room's news taken (and the ink sent) every fourth event, as
// the window does about once a frame, and once after the release. Alone (arg 0) or in a room
// on a real nats-server on loopback (arg 1). Between strokes the link is given the time a
// hand gives it (the room stores the stroke and sends it back); the next stroke's first
// pump takes it in, timed. Counters: the drawing thread's CPU and the wall time per event.
void BM_SharedDrawStroke(benchmark::State& state) {
    static const std::vector<strokedata::RecordedStroke> strokes = strokedata::loadPageStrokes();
    Manager h;
    std::unique_ptr<NatsServer> server;
    std::unique_ptr<LiveLesson> lesson;
    std::ostringstream log;
    const auto pump = [&] {
        if (lesson) lesson->pump();
    };
    if (state.range(0)) {
        server = std::make_unique<NatsServer>(std::filesystem::path(h.dir.path().toStdString()) / "server");
        lesson = std::make_unique<LiveLesson>(*h.m, LiveLesson::Settings{{{server->url()}, "bench"}, {}, {}},
                                              nullptr, log);
        for (int i = 0; i < 1000 && !(lesson->quiet() && lesson->status().state == share::LinkState::Connected); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (lesson->status().state != share::LinkState::Connected) state.SkipWithError(("no room: " + log.str() + lesson->trouble()).c_str());
    }
    double cpu = 0.0, wall = 0.0, events = 0.0;
    std::size_t n = 0;
    for (auto _ : state) {
        const auto& samples = strokes[n++ % strokes.size()].samples;
        const auto at = [&](std::size_t i) { return Vec2(150.0f + 0.7f * samples[i].x, 150.0f + 0.7f * samples[i].y); };
        const double cpu0 = threadSeconds();
        const auto wall0 = std::chrono::steady_clock::now();
        h.route(h.press, at(0), 0);
        for (std::size_t i = 1; i < samples.size(); ++i) {
            h.route(h.drag, at(i), -1);
            if (i % 4 == 0) pump();
        }
        h.route(h.release, at(samples.size() - 1), 0);
        pump();
        cpu += threadSeconds() - cpu0;
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
        events += static_cast<double>(samples.size() + 1);
        state.PauseTiming();
        // A hand's pause, alone too (caches cool alike): only the pumps are timed, the
        // stroke's record comes back meanwhile.
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        if (h.m->drawing().strokes.count() > 300) {
            h.m->onKey("C");
            for (int i = 0; i < 500 && lesson && !lesson->quiet(); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        state.ResumeTiming();
    }
    state.counters["cpu_ns_per_event"] = 1e9 * cpu / events;
    state.counters["wall_ns_per_event"] = 1e9 * wall / events;
    state.counters["events_per_stroke"] = events / static_cast<double>(n);
}
BENCHMARK(BM_SharedDrawStroke)->Arg(0)->Arg(1)->Iterations(1500)->Unit(benchmark::kMicrosecond);

// The same strokes, alone and shared side by side in one process, stroke by stroke (which
// goes first alternates): both meet the machine in the same state, so the ratio does not
// swing with a virtual machine's neighbours as two separate runs do. The shared board's link
// threads run during the alone board's strokes too: this is the drawing thread's own extra
// work; BM_SharedDrawStroke adds what the link's threads cost it by competing for the cores.
void BM_SharedDrawStrokePaired(benchmark::State& state) {
    static const std::vector<strokedata::RecordedStroke> strokes = strokedata::loadPageStrokes();
    // Both in the shared board's folder: the alone board's crash journal and the shared
    // board's room store are different files (the shared board's journal stays unused).
    Manager alone, shared;
    NatsServer server(std::filesystem::path(shared.dir.path().toStdString()) / "server");
    std::ostringstream log;
    LiveLesson lesson(*shared.m, LiveLesson::Settings{{{server.url()}, "bench"}, {}, {}}, nullptr, log);
    for (int i = 0; i < 1000 && !(lesson.quiet() && lesson.status().state == share::LinkState::Connected); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (lesson.status().state != share::LinkState::Connected) state.SkipWithError(("no room: " + log.str() + lesson.trouble()).c_str());
    double cpu[2] = {0.0, 0.0};
    double events = 0.0;
    std::size_t n = 0;
    for (auto _ : state) {
        const auto& samples = strokes[n % strokes.size()].samples;
        const auto at = [&](std::size_t i) { return Vec2(150.0f + 0.7f * samples[i].x, 150.0f + 0.7f * samples[i].y); };
        for (int k = 0; k < 2; ++k) {
            const bool isShared = (k + n) % 2 == 1;
            Manager& h = isShared ? shared : alone;
            const double cpu0 = threadSeconds();
            h.route(h.press, at(0), 0);
            for (std::size_t i = 1; i < samples.size(); ++i) {
                h.route(h.drag, at(i), -1);
                if (isShared && i % 4 == 0) lesson.pump();
            }
            h.route(h.release, at(samples.size() - 1), 0);
            if (isShared) lesson.pump();
            cpu[isShared ? 1 : 0] += threadSeconds() - cpu0;
        }
        ++n;
        events += static_cast<double>(samples.size() + 1);
        state.PauseTiming();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        // The stroke's record comes back meanwhile; the next stroke's pumps take it in, timed.
        if (alone.m->drawing().strokes.count() > 300) alone.m->onKey("C");
        if (shared.m->drawing().strokes.count() > 300) {
            shared.m->onKey("C");
            for (int i = 0; i < 500 && !lesson.quiet(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        state.ResumeTiming();
    }
    state.counters["alone_cpu_ns_per_event"] = 1e9 * cpu[0] / events;
    state.counters["shared_cpu_ns_per_event"] = 1e9 * cpu[1] / events;
    state.counters["ratio"] = cpu[1] / cpu[0];
}
BENCHMARK(BM_SharedDrawStrokePaired)->Iterations(1500)->Unit(benchmark::kMicrosecond);
}  // namespace
