#pragma once

#include <span>
#include <string>
#include <vector>

// SVG export of strokes as filled black quadrilaterals, one per pair of consecutive ribs.
namespace io {

// One stroke's export outline: positions = start pair then one (left, right) pair per rib,
// four floats each, canvas units; opacities = one per rib after the start pair.
struct SvgStrokeOutline {
    std::vector<float> positions;
    std::vector<float> opacities;
};

std::string formatSvg(std::span<const SvgStrokeOutline> strokes);

// Safe replace as for page files; false (with a one-line diagnostic) on failure.
bool writeSvgFile(const std::string& path, std::span<const SvgStrokeOutline> strokes);

}  // namespace io
