#include "document/StrokesInView.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "document/Drawing.h"

void strokesInView(const Drawing& d, const Rect& region, std::vector<Stroke*>& out) {
    out.clear();
    d.index.strokesWithBoxMeeting(region, out);
    for (Stroke* s : d.deformed) out.push_back(s);
    // The boxes were taken at insertion; the bounds decide, as a walk over the list would.
    // Each stroke's list position is read once: sorting through the pointers would chase
    // them again at every comparison.
    std::vector<std::pair<std::uint64_t, Stroke*>> ordered;
    ordered.reserve(out.size());
    for (Stroke* s : out) {
        if (d.strokes.contains(s) && s->bounds.overlaps(region))
            ordered.emplace_back(d.strokes.serialOf(*s->listNode), s);
    }
    std::sort(ordered.begin(), ordered.end());
    out.clear();
    for (const auto& [serial, s] : ordered) {
        if (out.empty() || out.back() != s) out.push_back(s);
    }
}
