#pragma once

// Pages of realistic strokes for the document benchmarks: the recorded pen strokes drawn
// through a Drawing (so their control points are what the pen really leaves), then copied
// and shrunk into the cells of a square grid over the 900 x 900 page.

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <ostream>
#include <streambuf>
#include <vector>

#include "document/Drawing.h"
#include "support/StrokeData.h"

namespace benchpage {

class NullBuffer : public std::streambuf {
protected:
    int overflow(int c) override { return c; }
};

inline std::ostream& nullStream() {
    static NullBuffer buffer;
    static std::ostream stream(&buffer);
    return stream;
}

// A Drawing loads "0.xml" from the working directory: run in an empty one, removed at exit.
inline void enterScratchDir() {
    struct Scratch {
        std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                    ("inkboard-bench-doc-" + std::to_string(::getpid()));
        Scratch() {
            std::filesystem::create_directories(dir);
            std::filesystem::current_path(dir);
        }
        ~Scratch() {
            std::error_code ec;
            std::filesystem::current_path(dir.parent_path(), ec);
            std::filesystem::remove_all(dir, ec);
        }
    };
    static const Scratch scratch;
}

inline std::unique_ptr<Drawing> makeDrawing() {
    enterScratchDir();
    auto d = std::make_unique<Drawing>(nullStream());
    d->view.panX = 0.0f;  // screen = canvas
    d->view.panY = 0.0f;
    return d;
}

// Control points of every recorded stroke, drawn at page size through the pen operations.
inline const std::vector<std::vector<ControlPoint>>& baseStrokes() {
    static const std::vector<std::vector<ControlPoint>> strokes = [] {
        auto d = makeDrawing();
        for (const auto& rec : strokedata::loadPageStrokes()) {
            auto prev = rec.samples[0];
            d->beginStroke(prev.x, prev.y, rec.samples[0].pressure);
            for (const auto& s : rec.samples) {
                d->extendStroke(s.x, s.y, s.x - prev.x, s.y - prev.y, s.pressure);
                prev = s;
            }
            d->endStroke(prev.x, prev.y);
        }
        std::vector<std::vector<ControlPoint>> out;
        for (const Stroke& s : d->strokes) out.push_back(s.points);
        return out;
    }();
    return strokes;
}

// `count` strokes, one per cell of a ceil(sqrt(count))^2 grid, each a recorded stroke
// scaled uniformly to 90% of its cell (radius scaled alike).
inline std::vector<std::vector<ControlPoint>> tiledStrokes(int count) {
    const auto& base = baseStrokes();
    const int grid = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(count))));
    const float cell = Drawing::kCanvasSize / static_cast<float>(grid);
    std::vector<std::vector<ControlPoint>> out;
    out.reserve(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) {
        const auto& src = base[static_cast<std::size_t>(k) % base.size()];
        Rect box;
        for (const auto& p : src) box.include(p.pos());
        const float extent = std::max({box.maxX - box.minX, box.maxY - box.minY, 1.0f});
        const float scale = 0.9f * cell / extent;
        const Vec2 origin((static_cast<float>(k % grid) + 0.05f) * cell,
                          (static_cast<float>(k / grid) + 0.05f) * cell);
        std::vector<ControlPoint> pts;
        for (const auto& p : src) {
            pts.push_back({origin.x + (p.x - box.minX) * scale, origin.y + (p.y - box.minY) * scale,
                           p.r * scale, p.a});
        }
        out.push_back(std::move(pts));
    }
    return out;
}

// A page of `count` tiled strokes in a drawing: listed, outlined and indexed like a load.
inline std::unique_ptr<Drawing> tiledDrawing(int count) {
    auto d = makeDrawing();
    for (auto& pts : tiledStrokes(count)) {
        auto s = std::make_unique<Stroke>();
        for (const auto& p : pts) s->bounds.include(p.pos());
        s->points = std::move(pts);
        s->resetRibLists();
        s->buildAllRibs(1.0f);
        s->buildOutline(1.0f);
        d->index.insertStroke(d->appendStroke(std::move(s)));
    }
    return d;
}

}  // namespace benchpage
