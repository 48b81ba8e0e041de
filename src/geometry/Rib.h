#pragma once

#include <cstdint>
#include <vector>

#include "geometry/Vec2.h"

// One cross-section of a stroke's outline. v0 is the left point (centre + normal * radius),
// v1 the right one, where "left" is the direction of travel turned counter-clockwise.
// Ribs of one segment form a tree through p/children (see RibList).
struct Rib {
    Vec2 v0;
    Vec2 v1;
    std::uint32_t p = 0;                 // index of the parent rib in the same list
    std::vector<std::int32_t> children;  // ribs inserted under this one, in insertion order
    float t = 1.0f;                      // curve parameter within the segment, (0, 1]
    float level = 10.0f;                 // 10 for the end rib, else the deviation that made it
};

using RibList = std::vector<Rib>;

// Hangs the rib under the deepest rib whose child chain has smaller t (see the outline notes).
void insertRib(RibList& list, Rib rib);

// Ribs coarse enough for zoom z (level >= 1.3 / z), in increasing t, ending with the root.
// Precondition: the list is not empty.
void selectRibs(const RibList& list, float zoom, std::vector<const Rib*>& out);
