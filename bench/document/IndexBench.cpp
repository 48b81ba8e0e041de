// The segment index against Boost.Geometry's R-tree on the same segments and queries:
// building, 10,000 queries of 10 x 10 squares, and removing every stroke.

#include <benchmark/benchmark.h>

// Boost's heap code trips GCC's maybe-uninitialized analysis; not our code.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <boost/geometry.hpp>
#include <boost/geometry/index/rtree.hpp>
#pragma GCC diagnostic pop
#include <map>
#include <random>

#include "BenchPage.h"

namespace bg = boost::geometry;
namespace bgi = boost::geometry::index;

namespace {

using BPoint = bg::model::point<float, 2, bg::cs::cartesian>;
using BBox = bg::model::box<BPoint>;
using BSegment = bg::model::segment<BPoint>;
using BValue = std::pair<BSegment, std::uint32_t>;
using RTree = bgi::rtree<BValue, bgi::rstar<16>>;

struct Page {
    std::vector<std::unique_ptr<Stroke>> strokes;
    std::vector<BValue> segments;
    std::vector<Rect> queries;
};

const Page& page(int count) {
    static std::map<int, Page> pages;
    auto [it, fresh] = pages.try_emplace(count);
    Page& p = it->second;
    if (!fresh) return p;
    std::uint32_t id = 0;
    for (auto& pts : benchpage::tiledStrokes(count)) {
        auto s = std::make_unique<Stroke>();
        s->points = std::move(pts);
        for (std::size_t i = 0; i + 1 < s->points.size(); ++i) {
            const Vec2 a = s->points[i].pos(), b = s->points[i + 1].pos();
            p.segments.push_back({BSegment(BPoint(a.x, a.y), BPoint(b.x, b.y)), id++});
        }
        p.strokes.push_back(std::move(s));
    }
    std::mt19937 rng(12345);
    std::uniform_real_distribution<float> pos(0.0f, 890.0f);
    for (int q = 0; q < 10000; ++q) {
        const float x = pos(rng), y = pos(rng);
        p.queries.push_back({x, y, x + 10.0f, y + 10.0f});
    }
    return p;
}

void buildTree(const Page& p, QuadTree& tree) {
    for (const auto& s : p.strokes) tree.insertStroke(*s);
}

void setCounters(benchmark::State& state, const Page& p) {
    state.counters["strokes"] = static_cast<double>(p.strokes.size());
    state.counters["segments"] = static_cast<double>(p.segments.size());
}

void QuadTreeBuild(benchmark::State& state) {
    const Page& p = page(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        QuadTree tree(900, 900, 8, benchpage::nullStream());
        buildTree(p, tree);
        benchmark::DoNotOptimize(tree.root().entries.data());
    }
    setCounters(state, p);
}

void RTreeBuild(benchmark::State& state) {
    const Page& p = page(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        RTree tree;
        for (const auto& v : p.segments) tree.insert(v);
        benchmark::DoNotOptimize(tree.size());
    }
    setCounters(state, p);
}

void RTreeBulkBuild(benchmark::State& state) {
    const Page& p = page(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        RTree tree(p.segments.begin(), p.segments.end());
        benchmark::DoNotOptimize(tree.size());
    }
    setCounters(state, p);
}

// One iteration = all 10,000 queries.
void QuadTreeQuery(benchmark::State& state) {
    const Page& p = page(static_cast<int>(state.range(0)));
    QuadTree tree(900, 900, 8, benchpage::nullStream());
    buildTree(p, tree);
    std::vector<const SegmentEntry*> out;
    std::size_t hits = 0;
    for (auto _ : state) {
        hits = 0;
        for (const Rect& r : p.queries) {
            out.clear();
            tree.query(r, out);
            hits += out.size();
        }
        benchmark::DoNotOptimize(hits);
    }
    setCounters(state, p);
    state.counters["hits"] = static_cast<double>(hits);
}

template <class Tree>
void rtreeQueries(benchmark::State& state, const Page& p, const Tree& tree) {
    std::vector<BValue> out;
    std::size_t hits = 0;
    for (auto _ : state) {
        hits = 0;
        for (const Rect& r : p.queries) {
            out.clear();
            const BBox box(BPoint(r.minX, r.minY), BPoint(r.maxX, r.maxY));
            tree.query(bgi::intersects(box), std::back_inserter(out));
            hits += out.size();
        }
        benchmark::DoNotOptimize(hits);
    }
    setCounters(state, p);
    state.counters["hits"] = static_cast<double>(hits);
}

void RTreeQuery(benchmark::State& state) {
    const Page& p = page(static_cast<int>(state.range(0)));
    RTree tree;
    for (const auto& v : p.segments) tree.insert(v);
    rtreeQueries(state, p, tree);
}

void RTreeBulkQuery(benchmark::State& state) {
    const Page& p = page(static_cast<int>(state.range(0)));
    const RTree tree(p.segments.begin(), p.segments.end());
    rtreeQueries(state, p, tree);
}

void QuadTreeRemoveAll(benchmark::State& state) {
    const Page& p = page(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        auto tree = std::make_unique<QuadTree>(900, 900, 8, benchpage::nullStream());
        buildTree(p, *tree);
        state.ResumeTiming();
        for (const auto& s : p.strokes) tree->removeStroke(*s);
        benchmark::DoNotOptimize(tree->root().entries.data());
        state.PauseTiming();
        tree.reset();
        state.ResumeTiming();
    }
    setCounters(state, p);
}

void RTreeRemoveAll(benchmark::State& state) {
    const Page& p = page(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        auto tree = std::make_unique<RTree>();
        for (const auto& v : p.segments) tree->insert(v);
        state.ResumeTiming();
        for (const auto& v : p.segments) tree->remove(v);
        benchmark::DoNotOptimize(tree->size());
        state.PauseTiming();
        tree.reset();
        state.ResumeTiming();
    }
    setCounters(state, p);
}

}  // namespace

BENCHMARK(QuadTreeBuild)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(RTreeBuild)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(RTreeBulkBuild)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(QuadTreeQuery)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(RTreeQuery)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(RTreeBulkQuery)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(QuadTreeRemoveAll)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(RTreeRemoveAll)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
