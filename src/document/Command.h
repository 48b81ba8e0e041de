#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "document/QuadTree.h"
#include "geometry/Stroke.h"
#include "io/ChangeRecord.h"
#include "io/PageStyle.h"

class Drawing;

// One finished change of a page that can be undone and redone exactly.
//
// A command is the set of strokes it touched, each known by id in two versions: as it was
// before and as it is after (a drawn stroke has no before version, an erased one no after
// version, a moved one both). One set of versions is on the page; the command owns the
// other. Undo and redo are the same operation, toggle(): it swaps the two sets, so nothing
// is copied and both directions restore the page exactly.
struct Command {
    io::ChangeKind kind = io::ChangeKind::Draw;
    std::uint64_t serial = 0;  // numbered per page, in the order changes were finished
    // The versions that are not on the page, ascending id: while done, the strokes as they
    // were before; while undone, as they are after.
    std::vector<std::unique_ptr<Stroke>> held;
    // Ids of the versions on the page, ascending.
    std::vector<io::StrokeId> shown;
    bool done = true;
    std::size_t bytes = 0;  // memory estimate, kept by measure()
    // When set, a spatial index of exactly the held versions. A command that replaces the
    // whole page (clear, load) swaps it with the page's index instead of removing and
    // inserting every segment: the difference between a few milliseconds and a tenth of a
    // second on a full page, and the index comes back exactly as it was.
    std::unique_ptr<QuadTree> index;
    // When the command changed the page's paper or background: the style not on the page
    // (before while done, after while undone), swapped with the page's as strokes are.
    std::optional<io::PageStyle> style;

    bool empty() const { return held.empty() && shown.empty() && !style; }
    void measure();
};

// Strokes that gestures still in progress have added or removed. Their changes are on the
// page but not yet in any history, so positions in a record are counted as if they were
// not: as the page stands after the command in history order. Both ascending.
struct PendingIds {
    std::vector<io::StrokeId> added;
    std::vector<io::StrokeId> removed;
};

// Memory a stroke holds, estimated from its vectors' capacities.
std::size_t strokeBytes(const Stroke& stroke);

// Swaps the command's held versions with its shown ones on the page, keeping the index,
// the selection and the list order (ascending id) right, and flips `done`. Strokes that
// leave the page leave the selection; a shown selection box is refitted when a selected
// stroke changed. When `change` is given it receives the swap as data: `removed` what left
// the page, `added` what arrived.
// Returns false, changing nothing, when the command does not fit the page: one of its shown
// ids is missing, or a held stroke that is not also shown is there already.
bool toggle(Command& command, Drawing& drawing, const PendingIds& pending,
            io::Change* change = nullptr);

// The change that put the command's shown versions on the page in place of its held
// ones, as toggle() reports it.
io::Change describe(const Command& command, const Drawing& drawing, const PendingIds& pending);

// An undone command that, toggled, makes `change` on the page: held = the added strokes
// built from their points at `zoom`, shown = the removed ids, and the page style `current`
// with the change's attributes set. nullopt when an attribute cannot be set.
std::optional<Command> commandFor(const io::Change& change, float zoom,
                                  const io::PageStyle& current);
// The same for the change's strokes alone (its page attributes are not taken).
Command commandFor(const io::Change& change, float zoom);

// Drops strokes the command holds in a version equal to the one on the page (a drag that
// ended where it began, a stroke a deformation took but did not move), and a style equal
// to the page's.
void dropUnchanged(Command& command, const Drawing& drawing);
