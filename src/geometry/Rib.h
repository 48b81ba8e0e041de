#pragma once

#include <cstdint>
#include <vector>

#include "geometry/RibChildren.h"
#include "geometry/Vec2.h"

// One cross-section of a stroke's outline. v0 is the left point (centre + normal * radius),
// v1 the right one, where "left" is the direction of travel turned counter-clockwise.
// Ribs of one segment form a tree through p/children (see RibList).
struct Rib {
    Vec2 v0;
    Vec2 v1;
    std::uint32_t p = 0;   // index of the parent rib in the same list
    RibChildren children;  // ribs inserted under this one, in insertion order
    float t = 1.0f;        // curve parameter within the segment, (0, 1]
    float level = 10.0f;   // 10 for the end rib, else the deviation that made it
};

using RibList = std::vector<Rib>;

// Hangs the rib under the deepest rib whose child chain has smaller t (see the outline notes).
void insertRib(RibList& list, Rib rib);

// Ribs coarse enough for zoom z (level >= 1.3 / z), in increasing t, ending with the root.
// A rib below the threshold hides its whole subtree. Appends to `out`.
// Precondition: the list is not empty.
void selectRibs(const RibList& list, float zoom, std::vector<const Rib*>& out);

// Scratch stack for forEachSelectedRib: (node, next child to visit, counting down).
struct RibCursor {
    std::int32_t node;
    std::int32_t child;
};

// Calls fn(const Rib&) for every rib that selectRibs(list, zoom) would output, in the same
// order, without building the list. `stack` is scratch space a caller can reuse across
// lists so that a whole outline is read without allocating.
template <class Fn>
void forEachSelectedRib(const RibList& list, float zoom, std::vector<RibCursor>& stack, Fn&& fn) {
    if (list.empty()) return;  // a list is never read before its ribs are built
    const float threshold = 1.3f / zoom;
    stack.clear();
    stack.push_back({-1, 0});
    std::int32_t q = 0;
    std::int32_t s = static_cast<std::int32_t>(list[0].children.size()) - 1;
    while (!stack.empty()) {
        if (s < 0) {
            q = stack.back().node;
            s = stack.back().child;
            stack.pop_back();
            continue;
        }
        const std::int32_t c =
            list[static_cast<std::size_t>(q)].children[static_cast<std::size_t>(s)];
        const Rib& rib = list[static_cast<std::size_t>(c)];
        if (rib.level >= threshold) {
            stack.push_back({q, s - 1});
            q = c;
            s = static_cast<std::int32_t>(rib.children.size()) - 1;
            fn(rib);
        } else {
            --s;
        }
    }
    fn(list[0]);
}
