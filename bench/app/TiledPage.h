#pragma once

// A page of 10,000 real strokes: the recorded strokes, cycled and shrunk into the cells of
// a 100 x 100 grid over the 900 x 900 page.
#include <vector>

#include "geometry/ControlPoint.h"
#include "geometry/Rect.h"
#include "support/StrokeData.h"

constexpr int kGrid = 100;
constexpr float kCell = 900.0f / kGrid;

// Only the strokes whose points meet `keep`, when given.
inline std::vector<std::vector<ControlPoint>> tiledPage(const Rect* keep = nullptr) {
    const auto recorded = strokedata::loadPageStrokes();
    std::vector<std::vector<ControlPoint>> page;
    for (int i = 0; i < kGrid * kGrid; ++i) {
        const float ox = kCell * static_cast<float>(i % kGrid);
        const float oy = kCell * static_cast<float>(i / kGrid);
        const auto& rec = recorded[static_cast<std::size_t>(i) % recorded.size()];
        std::vector<ControlPoint> pts;
        for (std::size_t k = 0; k < rec.samples.size(); k += 8) {
            const auto& s = rec.samples[k];
            pts.push_back({ox + s.x * kCell / 900.0f, oy + s.y * kCell / 900.0f,
                           0.1f + 0.3f * s.pressure, 1.0f});
        }
        if (pts.size() < 2) continue;
        Rect bounds;
        for (const auto& p : pts) bounds.include(p.pos());
        if (keep && !bounds.overlaps(*keep)) continue;
        page.push_back(std::move(pts));
    }
    return page;
}
