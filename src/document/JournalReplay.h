#pragma once

#include <cstddef>
#include <vector>

#include "io/JournalFormat.h"

class Drawing;
class PageHistories;

// The ids of the drawing's strokes, in list order.
std::vector<io::StrokeId> strokeIds(const Drawing& drawing);

// Gives the drawing's strokes these ids, in list order, as they had when the page was
// saved. False, changing nothing, when the counts differ or the ids do not ascend.
bool assignStrokeIds(Drawing& drawing, const std::vector<io::StrokeId>& ids);

struct ReplayOutcome {
    std::size_t applied = 0;  // entries applied, from the first
    bool stopped = false;     // an entry (or the header's ids) did not fit the page
    bool idsFit = true;       // false: the header's ids do not fit the page (nothing applied)
};

// Replays a journal onto the drawing, freshly loaded from the page file the header names:
// gives the strokes the header's ids, then applies the entries in order through the
// current page's history, stopping at the first that does not fit.
ReplayOutcome replayJournal(PageHistories& histories, Drawing& drawing,
                            const io::JournalContents& journal);
