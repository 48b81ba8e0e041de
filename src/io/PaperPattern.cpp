#include "io/PaperPattern.h"

namespace io {

PaperPattern paperPattern(Paper paper, float pageSize) {
    PaperPattern p;
    // Marks at every multiple of the spacing strictly inside the page, counted in whole
    // steps so that no rounding drifts the last one.
    const auto inside = [&](float spacing, auto&& mark) {
        const int n = static_cast<int>(pageSize / spacing);
        for (int k = 1; k <= n; ++k) {
            const float at = spacing * static_cast<float>(k);
            if (at < pageSize) mark(at);
        }
    };
    switch (paper) {
        case Paper::Plain:
            break;
        case Paper::Ruled:
            inside(kRuledSpacing, [&](float y) { p.lines.push_back({0.0f, y, pageSize, y}); });
            p.lines.push_back({kRuledMargin, 0.0f, kRuledMargin, pageSize, true});
            break;
        case Paper::Squared:
            inside(kSquaredSpacing, [&](float at) {
                p.lines.push_back({0.0f, at, pageSize, at});
                p.lines.push_back({at, 0.0f, at, pageSize});
            });
            break;
        case Paper::Dotted:
            inside(kDottedSpacing, [&](float y) {
                inside(kDottedSpacing, [&](float x) { p.dots.insert(p.dots.end(), {x, y}); });
            });
            break;
    }
    return p;
}

}  // namespace io
