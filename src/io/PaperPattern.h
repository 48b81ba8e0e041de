#pragma once

#include <vector>

#include "geometry/Rgb.h"
#include "io/PageStyle.h"

// The marks of a paper over the page square (0, 0)-(900, 900), canvas units, as the screen,
// the PNG, the SVG and the PDF all draw them. Every pattern is symmetric top to bottom, so
// it is the same in y-up (screen, PDF) and y-down (SVG) coordinates.
namespace io {

inline constexpr float kPaperLineWidth = 1.0f;  // canvas units
inline constexpr float kPaperDotRadius = 1.6f;  // canvas units
// Light enough to write over, dark enough to see on a projector.
inline constexpr Rgb kPaperRuleColour{150, 185, 220};
inline constexpr Rgb kPaperMarginColour{230, 140, 140};

struct PaperLine {
    float x0, y0, x1, y1;
    bool margin = false;  // drawn in kPaperMarginColour
};

struct PaperPattern {
    std::vector<PaperLine> lines;
    std::vector<float> dots;  // x, y of each dot's centre
    bool empty() const { return lines.empty() && dots.empty(); }
};

PaperPattern paperPattern(Paper paper, float pageSize = 900.0f);

}  // namespace io
