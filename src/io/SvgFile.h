#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "geometry/Rgb.h"
#include "io/PageStyle.h"

// SVG export of strokes as filled quadrilaterals in the stroke's colour, one per pair of
// consecutive ribs.
namespace io {

// One stroke's export outline: positions = start pair then one (left, right) pair per rib,
// four floats each, canvas units; opacities = one per rib after the start pair. A dot (a
// stroke of one point) has the start pair alone, across its disc, and its point's opacity.
struct SvgStrokeOutline {
    std::vector<float> positions;
    std::vector<float> opacities;
    Rgb colour;
};

// Calls quad(corners, opacity) for each quadrilateral of the outline, corners in the order
// the SVG polygon lists them (eight floats, x and y, canvas units). The PDF export draws
// the same quadrilaterals.
template <typename QuadFn>
void forEachOutlineQuad(const SvgStrokeOutline& stroke, QuadFn&& quad) {
    const std::vector<float>& v = stroke.positions;
    for (std::size_t k = 0; k < stroke.opacities.size(); ++k) {
        const std::size_t i = 4 * k;
        if (i + 8 > v.size()) break;  // malformed outline: fewer ribs than opacities
        // Rib k left, rib k right, rib k+1 right, rib k+1 left: the outline is walked
        // around without crossing itself.
        const float corners[8] = {v[i],     v[i + 1], v[i + 2], v[i + 3],
                                  v[i + 6], v[i + 7], v[i + 4], v[i + 5]};
        quad(corners, stroke.opacities[k]);
    }
}

// A dot's disc (canvas units), which the exports draw where a line has quadrilaterals.
struct OutlineDot {
    float x = 0, y = 0, radius = 0, opacity = 0;
};
std::optional<OutlineDot> outlineDot(const SvgStrokeOutline& stroke);

// The strokes over the page's paper (nothing is written for plain paper). A background
// picture, when given, comes first: `background` is the image's bytes as a data URI's
// body ("image/png;base64,..."), drawn at (x, y, width, height) in canvas units, y up.
struct SvgBackground {
    std::string dataUri;
    float x = 0, y = 0, width = 0, height = 0;
};
std::string formatSvg(std::span<const SvgStrokeOutline> strokes, Paper paper = Paper::Plain,
                      const SvgBackground* background = nullptr);

// Safe replace as for page files; false (with a one-line diagnostic) on failure.
bool writeSvgFile(const std::string& path, std::span<const SvgStrokeOutline> strokes,
                  Paper paper = Paper::Plain, const SvgBackground* background = nullptr);

}  // namespace io
