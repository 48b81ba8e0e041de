#include "document/StrokeBoxGrid.h"

#include <cmath>
#include <limits>

namespace {
constexpr float kInf = std::numeric_limits<float>::infinity();

bool finite(const Rect& r) {
    return std::isfinite(r.minX) && std::isfinite(r.minY) && std::isfinite(r.maxX) &&
           std::isfinite(r.maxY);
}
}  // namespace

StrokeBoxGrid::StrokeBoxGrid(float width, float height) {
    for (int l = 0; l < kLevels; ++l) {
        Level& level = levels_[static_cast<std::size_t>(l)];
        level.side = 1u << l;
        level.cellWidth = width / static_cast<float>(level.side);
        level.cellHeight = height / static_cast<float>(level.side);
    }
}

std::uint32_t StrokeBoxGrid::cellIndex(float v, float cell, std::uint32_t side) {
    const float f = std::floor(v / cell);
    if (!(f > 0.0f)) return 0;  // also NaN
    if (f >= static_cast<float>(side - 1)) return side - 1;
    return static_cast<std::uint32_t>(f);
}

void StrokeBoxGrid::place(Stroke& stroke, const Rect& given) {
    erase(stroke);
    // A box the arithmetic below cannot place meets everything; the caller's own test of
    // the stroke decides.
    const Rect box = finite(given) ? given : Rect(-kInf, -kInf, kInf, kInf);
    const float w = box.maxX - box.minX, h = box.maxY - box.minY;
    std::uint32_t l = 0;
    for (std::uint32_t k = kLevels - 1; k > 0; --k) {
        if (w <= levels_[k].cellWidth && h <= levels_[k].cellHeight) {
            l = k;
            break;
        }
    }
    Level& level = levels_[l];
    const std::uint32_t cell = cellIndex(box.minY, level.cellHeight, level.side) * level.side +
                               cellIndex(box.minX, level.cellWidth, level.side);
    if (level.cells.empty()) level.cells.resize(std::size_t{level.side} * level.side);
    std::vector<Entry>& entries = level.cells[cell];
    slots_[&stroke] = {l, cell, static_cast<std::uint32_t>(entries.size())};
    entries.push_back({box, &stroke});
    ++level.count;
}

void StrokeBoxGrid::erase(const Stroke& stroke) {
    const auto it = slots_.find(&stroke);
    if (it == slots_.end()) return;
    const Slot slot = it->second;
    slots_.erase(it);
    Level& level = levels_[slot.level];
    std::vector<Entry>& entries = level.cells[slot.cell];
    if (slot.position + 1 != entries.size()) {
        entries[slot.position] = entries.back();
        slots_[entries[slot.position].stroke].position = slot.position;
    }
    entries.pop_back();
    --level.count;
}

void StrokeBoxGrid::query(const Rect& rect, std::vector<Stroke*>& out) const {
    for (const Level& level : levels_) {
        if (level.count == 0) continue;
        // A kept box is no wider than its level's cells, so one that meets the rectangle
        // has its low corner at most one cell before the rectangle's; the second cell of
        // margin covers rounding.
        const std::uint32_t x0 = cellIndex(rect.minX, level.cellWidth, level.side);
        const std::uint32_t y0 = cellIndex(rect.minY, level.cellHeight, level.side);
        const std::uint32_t x1 = cellIndex(rect.maxX, level.cellWidth, level.side);
        const std::uint32_t y1 = cellIndex(rect.maxY, level.cellHeight, level.side);
        for (std::uint32_t y = y0 > 2 ? y0 - 2 : 0; y <= y1; ++y) {
            for (std::uint32_t x = x0 > 2 ? x0 - 2 : 0; x <= x1; ++x) {
                for (const Entry& e : level.cells[y * level.side + x]) {
                    if (e.box.overlaps(rect)) out.push_back(e.stroke);
                }
            }
        }
    }
}
