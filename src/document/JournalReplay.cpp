#include "document/JournalReplay.h"

#include <algorithm>

#include "document/Drawing.h"
#include "document/PageHistories.h"

std::vector<io::StrokeId> strokeIds(const Drawing& drawing) {
    std::vector<io::StrokeId> ids;
    ids.reserve(drawing.strokes.count());
    for (const Stroke& s : drawing.strokes) ids.push_back(s.id);
    return ids;
}

bool assignStrokeIds(Drawing& drawing, const std::vector<io::StrokeId>& ids) {
    if (ids.size() != drawing.strokes.count()) return false;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        if (ids[i] == 0 || (i > 0 && ids[i] <= ids[i - 1])) return false;
    }
    std::size_t i = 0;
    for (Stroke& s : drawing.strokes) s.id = ids[i++];
    if (!ids.empty()) drawing.nextStrokeId = std::max(drawing.nextStrokeId, ids.back() + 1);
    return true;
}

ReplayOutcome replayJournal(PageHistories& histories, Drawing& drawing,
                            const io::JournalContents& journal) {
    ReplayOutcome outcome;
    if (!assignStrokeIds(drawing, journal.header.strokeIds)) {
        outcome.stopped = true;
        outcome.idsFit = false;
        return outcome;
    }
    for (const io::JournalEntry& entry : journal.entries) {
        if (!histories.replay(entry)) {
            outcome.stopped = true;
            break;
        }
        ++outcome.applied;
    }
    return outcome;
}
