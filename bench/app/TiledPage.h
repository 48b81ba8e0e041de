#pragma once

// Pages of real strokes: the recorded strokes, cycled and shrunk into the cells of a
// grid x grid tiling of the 900 x 900 page.
#include <vector>

#include "geometry/ControlPoint.h"
#include "geometry/Rect.h"
#include "support/StrokeData.h"

constexpr int kGrid = 100;  // the 10,000-stroke page

// Only the strokes whose points meet `keep`, when given.
inline std::vector<std::vector<ControlPoint>> tiledPage(const Rect* keep = nullptr,
                                                        int grid = kGrid) {
    const float cell = 900.0f / static_cast<float>(grid);
    const auto recorded = strokedata::loadPageStrokes();
    std::vector<std::vector<ControlPoint>> page;
    for (int i = 0; i < grid * grid; ++i) {
        const float ox = cell * static_cast<float>(i % grid);
        const float oy = cell * static_cast<float>(i / grid);
        const auto& rec = recorded[static_cast<std::size_t>(i) % recorded.size()];
        std::vector<ControlPoint> pts;
        for (std::size_t k = 0; k < rec.samples.size(); k += 8) {
            const auto& s = rec.samples[k];
            pts.push_back({ox + s.x * cell / 900.0f, oy + s.y * cell / 900.0f,
                           (0.1f + 0.3f * s.pressure) * 100.0f / static_cast<float>(grid), 1.0f});
        }
        if (pts.size() < 2) continue;
        Rect bounds;
        for (const auto& p : pts) bounds.include(p.pos());
        if (keep && !bounds.overlaps(*keep)) continue;
        page.push_back(std::move(pts));
    }
    return page;
}
