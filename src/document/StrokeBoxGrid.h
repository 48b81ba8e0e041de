#pragma once

#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "geometry/Rect.h"

class Stroke;

// Strokes by their boxes, for finding those whose box meets a rectangle without visiting
// the others. A loose grid in levels over the area (0, 0)-(width, height): level l has
// 2^l x 2^l cells, and a box is kept once, at the finest level whose cells are at least as
// large as it, in the cell holding its low corner (clamped to the grid, so boxes partly or
// wholly outside the area and boxes larger than it are kept too). Canvas units.
class StrokeBoxGrid {
public:
    static constexpr int kLevels = 8;  // finest cells: 1/128 of the side

    StrokeBoxGrid(float width, float height);

    // Keeps the stroke with this box, replacing the box it had.
    void place(Stroke& stroke, const Rect& box);
    // Forgets the stroke; nothing when it is not kept.
    void erase(const Stroke& stroke);
    // Appends each kept stroke whose box meets the closed rectangle, once, in no particular
    // order. A box with a non-finite side is taken to meet every rectangle.
    void query(const Rect& rect, std::vector<Stroke*>& out) const;

    std::size_t size() const { return slots_.size(); }
    bool contains(const Stroke& stroke) const { return slots_.contains(&stroke); }

private:
    struct Entry {
        Rect box;
        Stroke* stroke;
    };
    struct Slot {
        std::uint32_t level;
        std::uint32_t cell;
        std::uint32_t position;  // in the cell's entries
    };
    struct Level {
        float cellWidth = 0.0f, cellHeight = 0.0f;
        std::uint32_t side = 1;                  // cells per row and column
        std::vector<std::vector<Entry>> cells;  // row-major; allocated with the first entry
        std::size_t count = 0;
    };

    // Column (or row) of coordinate v in cells of size `cell`, clamped to 0..side-1;
    // non-decreasing in v, NaN gives 0.
    static std::uint32_t cellIndex(float v, float cell, std::uint32_t side);

    std::array<Level, kLevels> levels_;
    std::unordered_map<const Stroke*, Slot> slots_;
};
