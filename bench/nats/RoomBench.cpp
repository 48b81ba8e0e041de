// Boards in a room on a real nats-server on loopback (started here, its store in a temporary
// folder): how long a finished stroke and a point of live ink take from board A to board B
// (three boards in the room), what drawing costs per input event on a shared board against
// a board alone, and what joining a room with a large page costs against loading its file.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "controller/CanvasController.h"
#include "controller/PageFiles.h"
#include "document/Drawing.h"
#include "nats/NatsRoom.h"
#include "share/ShareSession.h"
#include "support/NatsServer.h"
#include "support/TempWorkDir.h"

namespace {

using namespace share;
using Clock = std::chrono::steady_clock;

struct Board {
    std::ostringstream out;
    double seconds = 100.0;
    Drawing drawing{out};
    CanvasController controller{drawing, Stopwatch([this] { return seconds; }), [] { return 1e5; }};
    std::unique_ptr<NatsRoom> link;
    std::unique_ptr<ShareSession> session;

    explicit Board(const std::string* url, BoardId id = 1) {
        controller.setViewSize(1200.0f, 900.0f);
        if (!url) return;
        link = std::make_unique<NatsRoom>(NatsRoom::Options{{{*url}, "bench"}, {}});
        session = std::make_unique<ShareSession>(drawing, controller.history().histories(), *link,
                                                 ShareSession::Identity{id, static_cast<std::uint32_t>(id), 1},
                                                 out, pageFileName);
        session->pageOpened(0);
    }
    void pump() {
        if (session) session->pump();
    }
};

template <typename Done>
bool spin(std::vector<Board*> boards, Done done, std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    while (Clock::now() < end) {
        for (Board* b : boards) b->pump();
        if (done()) return true;
    }
    return false;
}

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size())))];
}

void RemoteLatency(benchmark::State& state) {
    TempWorkDir dir;
    NatsServer server(dir.path() / "server");
    const std::string url = server.url();
    Board a(&url, 1), b(&url, 2), c(&url, 3);
    spin({&a, &b, &c}, [&] {
        return a.session->status().state == LinkState::Connected &&
               b.session->status().state == LinkState::Connected &&
               c.session->status().state == LinkState::Connected;
    }, std::chrono::seconds(10));
    std::vector<double> stroke, ink;
    for (auto _ : state) {
        for (int i = 0; i < 200; ++i) {
            const float x = 300.0f + static_cast<float>(i % 20) * 30.0f, y = 200.0f + static_cast<float>(i / 20) * 50.0f;
            a.controller.onPress(x, y, 0, 1.0f);
            for (int s = 1; s <= 6; ++s) {
                a.controller.onDrag(x + 4.0f * s, y + 3.0f * s, 1.0f);
                const std::size_t before = b.drawing.visitingInk.empty() ? 0 : b.drawing.visitingInk.back()->points.size();
                const auto sent = Clock::now();
                a.pump();
                // A point of live ink reached B when B's stroke in progress grew.
                if (spin({&b, &c}, [&] {
                        return !b.drawing.visitingInk.empty() && b.drawing.visitingInk.back()->points.size() > before;
                    }, std::chrono::milliseconds(100))) {
                    ink.push_back(std::chrono::duration<double, std::milli>(Clock::now() - sent).count());
                }
            }
            const std::size_t had = b.drawing.strokes.count();
            a.controller.onRelease(x + 24.0f, y + 18.0f, 0);
            const auto released = Clock::now();
            if (spin({&a, &b, &c}, [&] { return b.drawing.strokes.count() > had; }, std::chrono::seconds(2))) {
                stroke.push_back(std::chrono::duration<double, std::milli>(Clock::now() - released).count());
            }
            a.seconds += 1.0;
        }
    }
    state.counters["stroke_p50_ms"] = percentile(stroke, 0.5);
    state.counters["stroke_p99_ms"] = percentile(stroke, 0.99);
    state.counters["ink_p50_ms"] = percentile(ink, 0.5);
    state.counters["ink_p99_ms"] = percentile(ink, 0.99);
    state.counters["strokes"] = static_cast<double>(stroke.size());
}
BENCHMARK(RemoteLatency)->Iterations(1)->Unit(benchmark::kMillisecond);

// One stroke of 64 input events: alone (arg 0), shared taking in the room's news and sending
// its ink after every event (arg 1), or after every fourth (arg 4: the window does so once a
// frame, and a pen sends about four events a frame).
void DrawingPerInputEvent(benchmark::State& state) {
    TempWorkDir dir;
    std::unique_ptr<NatsServer> server;
    std::string url;
    if (state.range(0)) {
        server = std::make_unique<NatsServer>(dir.path() / "server");
        url = server->url();
    }
    Board board(state.range(0) ? &url : nullptr);
    int n = 0;
    for (auto _ : state) {
        const float y = 100.0f + static_cast<float>(n++ % 700);
        board.controller.onPress(300.0f, y, 0, 1.0f);
        for (int s = 1; s <= 64; ++s) {
            board.controller.onDrag(300.0f + 8.0f * s, y + static_cast<float>(s % 5), 1.0f);
            if (s % std::max<std::int64_t>(state.range(0), 1) == 0) board.pump();
        }
        board.controller.onRelease(812.0f, y, 0);
        board.pump();
        board.seconds += 1.0;
        if (board.drawing.strokes.count() > 400) {
            state.PauseTiming();
            board.controller.onKey("C");
            board.pump();
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(state.iterations() * 66);
}
BENCHMARK(DrawingPerInputEvent)->Arg(0)->Arg(1)->Arg(4)->Unit(benchmark::kMicrosecond);

// Page 0 of a room: 10,000 strokes of 16 points in its latest snapshot, then 10,000 records
// each moving one of them. Joining it (arg 1: a new board, from its connection until it
// shows the page with every record applied) against loading the same page from its file
// (arg 0).
void JoinLargePage(benchmark::State& state) {
    constexpr int kStrokes = 10'000;
    TempWorkDir dir;
    NatsServer server(dir.path() / "server");
    const std::string url = server.url();
    PageState page;
    {
        NatsRoom writer(NatsRoom::Options{{{url}, "bench"}, {}});
        std::uint64_t number = 0;
        const auto send = [&](ShareChange c) {
            c.board = 99;
            c.number = ++number;
            page.apply(c, page.seq() + 1);
            writer.send(0, c, false);
        };
        const auto stroke = [](int i, float shift) {
            io::StrokeData s{(static_cast<io::StrokeId>(i) + 1) << kTagBits | 5, {}, Rgb{20, 40, 200}};
            const float x = 50.0f + static_cast<float>(i % 100) * 11.0f + shift;
            const float y = 50.0f + static_cast<float>(i / 100) * 8.0f;
            for (int k = 0; k < 16; ++k) s.points.push_back({x + k * 0.7f, y + (k % 3) * 0.5f, 1.5f, 1.0f});
            return s;
        };
        const auto settle = [&] {
            for (int i = 0; i < 6000 && writer.unsent() > 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        };
        for (int i = 0; i < kStrokes; ++i) {
            ShareChange c;
            c.ops.push_back(StrokeOp{stroke(i, 0.0f), true, 0, 0});
            send(std::move(c));
        }
        settle();
        writer.sendSnapshot(0, page);  // goes before the records that follow
        for (int i = 0; i < kStrokes; ++i) {
            ShareChange c;
            c.kind = io::ChangeKind::Transform;
            const io::StrokeData s = stroke(i, 3.0f);
            c.ops.push_back(StrokeOp{s, true, page.table().find(s.id)->version, 0});
            send(std::move(c));
        }
        settle();
    }
    const std::string file = (dir.path() / "page.xml").string();
    std::ofstream(file, std::ios::binary) << page.pageText();
    BoardId id = 1000;
    std::size_t shown = 0;
    for (auto _ : state) {
        if (state.range(0) == 0) {
            Board board(nullptr);
            board.drawing.loadXml(file);
            shown = board.drawing.strokes.count();
            continue;
        }
        auto board = std::make_unique<Board>(&url, ++id);
        const auto end = Clock::now() + std::chrono::seconds(60);
        while (Clock::now() < end) {
            // As the window does: the drawing thread sleeps until the link wakes it.
            if (!board->session->pump()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            const PageReplica* r = board->session->replica(0);
            if (r != nullptr && r->room().seq() == page.seq() && r->settled()) break;
        }
        state.PauseTiming();
        shown = board->drawing.strokes.count();
        if (board->drawing.pageText() != page.pageText()) state.SkipWithError("the joined page differs");
        board.reset();  // leaving the room is not joining it
        state.ResumeTiming();
    }
    state.counters["strokes"] = static_cast<double>(shown);
}
BENCHMARK(JoinLargePage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
