#pragma once

// A lesson of real strokes: 10 pages of 1,000 recorded strokes each, written as page files
// into the working directory.
#include <span>
#include <string>
#include <vector>

#include "brush/Palette.h"
#include "io/PageFile.h"
#include "support/StrokeData.h"

inline constexpr int kPages = 10;
inline constexpr int kStrokesPerPage = 1000;

// The recorded strokes, cycled and shrunk into the cells of a 32 x 32 grid over the page
// (about a handwritten letter each), the palette's colours in turn; `page` shifts the cycle.
inline void writeLessonPage(int page) {
    static const auto recorded = strokedata::loadPageStrokes();
    constexpr int kGrid = 32;
    constexpr float kCell = 900.0f / kGrid;
    std::vector<std::vector<ControlPoint>> strokes;
    std::vector<Rgb> colours;
    for (int i = 0; i < kStrokesPerPage; ++i) {
        const float ox = kCell * static_cast<float>(i % kGrid);
        const float oy = kCell * static_cast<float>(i / kGrid);
        const auto& rec = recorded[static_cast<std::size_t>(i + page) % recorded.size()];
        std::vector<ControlPoint> pts;
        for (std::size_t k = 0; k < rec.samples.size(); k += 4) {
            const auto& s = rec.samples[k];
            pts.push_back({ox + s.x * kCell / 900.0f, oy + s.y * kCell / 900.0f,
                           0.3f + 0.8f * s.pressure, 1.0f});
        }
        if (pts.size() < 2) pts.push_back({ox + 1.0f, oy + 1.0f, 0.5f, 1.0f});
        strokes.push_back(std::move(pts));
        colours.push_back(kPalette[static_cast<std::size_t>(i) % kPalette.size()]);
    }
    std::vector<std::span<const ControlPoint>> views(strokes.begin(), strokes.end());
    io::writePageFile(std::to_string(page) + ".xml", views, colours);
}

inline void writeLesson() {
    for (int page = 0; page < kPages; ++page) writeLessonPage(page);
}
