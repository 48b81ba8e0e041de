#pragma once

// The check the document fuzz targets make after every change to a drawing: the page stays
// whole, whatever the input was.
#include <algorithm>
#include <vector>

#include "document/Drawing.h"
#include "document/JournalReplay.h"
#include "PageOracle.h"

namespace pageoracle {

// Ids ascend along the list, the index holds every stroke, no stroke is without points.
inline void checkWhole(const Drawing& d) {
    const std::vector<io::StrokeId> ids = strokeIds(d);
    if (!std::is_sorted(ids.begin(), ids.end()) || std::adjacent_find(ids.begin(), ids.end()) != ids.end())
        violated("stroke ids do not ascend along the list");
    if (d.deformed.empty() && d.index.strokeCount() != d.strokes.count())
        violated("the index does not hold exactly the page's strokes");
    for (const Stroke& s : d.strokes)
        if (s.points.empty()) violated("a stroke without points on the page");
}

}  // namespace pageoracle
