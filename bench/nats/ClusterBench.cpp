// How many changes a room takes from ten boards drawing at once, each with ten contacts on
// it, on a three-server cluster on this machine (arg 3) against one server (arg 1), and how
// long a change takes from the board that made it to another board at that load (p50, p99).
// Every board draws ten more strokes whenever fewer than ten of its changes wait; the servers, the boards'
// links and this driver share the machine's cores.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>

#include "nats/ClusterBoard.h"
#include "support/NatsCluster.h"
#include "support/TempWorkDir.h"

namespace {

using Clock = std::chrono::steady_clock;

double quantile(std::vector<double> v, double q) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(q * static_cast<double>(v.size())))];
}

// Ten contacts at once on one board: ten strokes side by side, each a change.
void tenContacts(ClusterBoard& b, int round) {
    const float y0 = 120.0f + static_cast<float>(round % 12) * 60.0f;
    for (int c = 0; c < 10; ++c) b.controller.onPress(250.0f + 70.0f * c, y0, 0, 1.0f, PointerKey::touch(c + 1));
    for (int s = 1; s <= 8; ++s)
        for (int c = 0; c < 10; ++c)
            b.controller.onDrag(250.0f + 70.0f * c + 3.0f * s, y0 + 5.0f * s, 1.0f, PointerKey::touch(c + 1));
    for (int c = 0; c < 10; ++c) b.controller.onRelease(274.0f + 70.0f * c, y0 + 40.0f, 0, PointerKey::touch(c + 1));
    b.seconds += 1.0;
    b.controller.tick();
    if (round % 12 == 11) b.controller.onKey("C");  // a page that stays small
}

void TenBoardsDrawingAtOnce(benchmark::State& state) {
    const int servers = static_cast<int>(state.range(0));
    TempWorkDir dir;
    NatsCluster cluster(dir.path(), servers);
    std::vector<std::unique_ptr<ClusterBoard>> boards;
    for (int i = 0; i < 10; ++i) {
        std::vector<std::string> urls = cluster.urls();
        std::rotate(urls.begin(), urls.begin() + i % servers, urls.end());
        boards.push_back(std::make_unique<ClusterBoard>(ClusterBoard::in(urls, "bench"), i + 1));
    }
    std::vector<ClusterBoard*> all;
    for (auto& b : boards) all.push_back(b.get());
    pumpUntil(all, [&] {
        return std::all_of(all.begin(), all.end(), [](ClusterBoard* b) {
            return b->session.status().state == share::LinkState::Connected;
        });
    }, std::chrono::seconds(30));
    double changes = 0, seconds = 0;
    std::vector<double> latency;
    for (auto _ : state) {
        for (ClusterBoard* b : all) b->acks.clear();
        const auto start = Clock::now();
        std::vector<int> rounds(all.size(), 0);
        while (Clock::now() - start < std::chrono::seconds(20)) {
            for (std::size_t i = 0; i < all.size(); ++i) {
                if (all[i]->session.status().waiting < 10) tenContacts(*all[i], rounds[i]++);
                all[i]->session.pump();
            }
        }
        pumpUntil(all, [&] { return std::all_of(all.begin(), all.end(), [](ClusterBoard* b) { return b->settled(); }); },
                  std::chrono::seconds(60));
        Clock::time_point last = start;
        for (ClusterBoard* b : all) {
            changes += static_cast<double>(b->acks.size());
            for (const auto& a : b->acks) last = std::max(last, a.at);
        }
        seconds += std::chrono::duration<double>(last - start).count();
        // From the board that made a change to the next board, which shows every page.
        for (std::size_t i = 0; i < all.size(); ++i) {
            const ClusterBoard& to = *all[(i + 1) % all.size()];
            for (const auto& [number, at] : all[i]->sentAt) {
                const auto got = to.arrived.find({i + 1, number});
                if (got != to.arrived.end() && got->second > start)
                    latency.push_back(std::chrono::duration<double, std::milli>(got->second - at).count());
            }
        }
    }
    state.counters["changes_per_s"] = changes / std::max(seconds, 1e-9);
    state.counters["changes"] = changes;
    state.counters["remote_p50_ms"] = quantile(latency, 0.5);
    state.counters["remote_p99_ms"] = quantile(latency, 0.99);
}
BENCHMARK(TenBoardsDrawingAtOnce)->Arg(1)->Arg(3)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
