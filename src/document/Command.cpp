#include "document/Command.h"

#include <algorithm>
#include <unordered_set>

#include "document/Drawing.h"

namespace {

using io::StrokeId;

struct Located {
    std::uint32_t below = 0;     // strokes on the page with a smaller id
    Stroke* stroke = nullptr;    // the stroke with this id, when it is on the page
};

// For ids in ascending order: where each stands on the page. Walks in from the end of the
// list nearer to them (judged by the ids, which ascend along the list), and only as far as
// they reach, so a change of recent strokes costs little on a long page.
std::vector<Located> locate(const StrokeList& strokes, const std::vector<StrokeId>& ids) {
    std::vector<Located> out(ids.size());
    if (ids.empty() || strokes.empty()) return out;
    const double first = static_cast<double>(strokes.first()->stroke->id);
    const double last = static_cast<double>(strokes.last()->stroke->id);
    const double fromHead = static_cast<double>(ids.back()) - first;
    const double fromTail = last - static_cast<double>(ids.front());
    if (fromHead < fromTail) {
        StrokeNode* node = strokes.first();
        std::uint32_t below = 0;
        for (std::size_t i = 0; i < ids.size(); ++i) {
            while (node != nullptr && node->stroke->id < ids[i]) {
                ++below;
                node = node->next.get();
            }
            out[i].below = below;
            if (node != nullptr && node->stroke->id == ids[i]) out[i].stroke = node->stroke.get();
        }
        return out;
    }
    StrokeNode* node = strokes.last();
    std::uint32_t above = 0;  // strokes walked past: ids greater than the current one
    for (std::size_t i = ids.size(); i-- > 0;) {
        while (node != nullptr && node->stroke->id > ids[i]) {
            ++above;
            node = node->prev;
        }
        if (node != nullptr && node->stroke->id == ids[i]) {
            out[i].stroke = node->stroke.get();
            out[i].below = strokes.count() - above - 1;
        } else {
            out[i].below = strokes.count() - above;
        }
    }
    return out;
}

// Values of the ascending list `in` smaller than x.
std::uint32_t countBelow(const std::vector<StrokeId>& in, StrokeId x) {
    return static_cast<std::uint32_t>(std::lower_bound(in.begin(), in.end(), x) - in.begin());
}

std::vector<StrokeId> idsOf(const std::vector<std::unique_ptr<Stroke>>& strokes) {
    std::vector<StrokeId> ids;
    ids.reserve(strokes.size());
    for (const auto& s : strokes) ids.push_back(s->id);
    return ids;
}

std::vector<StrokeId> minus(const std::vector<StrokeId>& a, const std::vector<StrokeId>& b) {
    std::vector<StrokeId> out;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
    return out;
}

// What a page file keeps of a stroke.
bool sameContents(const Stroke& a, const Stroke& b) {
    return a.points == b.points && a.colour == b.colour;
}

bool indexed(const Drawing& d, const Stroke* s) {
    return std::find(d.deformed.begin(), d.deformed.end(), s) == d.deformed.end();
}

// Derived data for a stroke arriving on the page at the view's zoom: a kept version still
// has its outline, a copy gets one.
void prepare(Stroke& s, float zoom) {
    s.rebuildRibsForZoom(zoom);
    s.buildOutline(zoom);
}

}  // namespace

std::size_t strokeBytes(const Stroke& s) {
    std::size_t bytes = sizeof(Stroke) + s.points.capacity() * sizeof(ControlPoint) +
                        s.ribLists.capacity() * sizeof(RibList) +
                        (s.vertices.capacity() + s.colours.capacity()) * sizeof(float);
    for (const RibList& list : s.ribLists) bytes += list.capacity() * sizeof(Rib);
    return bytes;
}

void Command::measure() {
    bytes = sizeof(Command) + held.capacity() * sizeof(held[0]) + shown.capacity() * sizeof(StrokeId);
    if (style) bytes += style->background.capacity();
    for (const auto& s : held) bytes += strokeBytes(*s);
    if (index) bytes += index->bytes();
}

namespace {

// The ids of one swap of versions on the page, each list ascending.
struct Swap {
    std::vector<StrokeId> leaving;   // versions that leave the page
    std::vector<StrokeId> arriving;  // versions that take their place or join it
    std::vector<StrokeId> leavingOnly;
    std::vector<StrokeId> arrivingOnly;
    std::vector<StrokeId> all;

    Swap(std::vector<StrokeId> out, std::vector<StrokeId> in)
        : leaving(std::move(out)), arriving(std::move(in)) {
        leavingOnly = minus(leaving, arriving);
        arrivingOnly = minus(arriving, leaving);
        std::set_union(leaving.begin(), leaving.end(), arriving.begin(), arriving.end(),
                       std::back_inserter(all));
    }
};

// The swap as data. `at` locates swap.all on the page, which stands before the swap
// (pageIsBefore) or after it; `strokeOf(i)` gives the arriving version i (null: none).
// Positions are counted without the changes of open gestures (see PendingIds).
template <class StrokeOf>
io::Change changeOf(io::ChangeKind kind, const Swap& swap, const std::vector<Located>& at,
                    bool pageIsBefore, const PendingIds& pending, StrokeOf strokeOf) {
    const auto below = [&](StrokeId x) {
        const std::size_t i = countBelow(swap.all, x);
        return at[i].below - countBelow(pending.added, x) + countBelow(pending.removed, x);
    };
    // Before = after - arrivingOnly + leavingOnly.
    const auto before = [&](StrokeId x) {
        return pageIsBefore ? below(x)
                            : below(x) - countBelow(swap.arrivingOnly, x) +
                                  countBelow(swap.leavingOnly, x);
    };
    const auto after = [&](StrokeId x) {
        return pageIsBefore ? below(x) - countBelow(swap.leavingOnly, x) +
                                  countBelow(swap.arrivingOnly, x)
                            : below(x);
    };
    io::Change change;
    change.kind = kind;
    change.removed.reserve(swap.leaving.size());
    for (const StrokeId x : swap.leaving) change.removed.push_back({x, before(x)});
    change.added.reserve(swap.arriving.size());
    for (std::size_t i = 0; i < swap.arriving.size(); ++i) {
        io::PlacedStroke& p = change.added.emplace_back();
        p.position = after(swap.arriving[i]);
        p.stroke.id = swap.arriving[i];
        if (const Stroke* s = strokeOf(i)) {
            p.stroke.points = s->points;
            p.stroke.colour = s->colour;
        }
    }
    return change;
}

}  // namespace

io::Change describe(const Command& command, const Drawing& drawing, const PendingIds& pending) {
    const Swap swap(idsOf(command.held), command.shown);
    const std::vector<Located> at = locate(drawing.strokes, swap.all);
    io::Change change =
        changeOf(command.kind, swap, at, false, pending, [&](std::size_t i) -> const Stroke* {
            return at[countBelow(swap.all, swap.arriving[i])].stroke;
        });
    if (command.style) change.page = io::styleChanges(*command.style, drawing.style);
    return change;
}

bool toggle(Command& command, Drawing& drawing, const PendingIds& pending, io::Change* change) {
    const float zoom = drawing.view.zoom;
    const std::vector<StrokeId> heldIds = idsOf(command.held);
    const Swap swap(command.shown, heldIds);
    const std::vector<Located> at = locate(drawing.strokes, swap.all);
    // Every leaving version is on the page; no arriving-only one is.
    for (std::size_t i = 0, l = 0; i < swap.all.size(); ++i) {
        const bool leaving = l < swap.leaving.size() && swap.leaving[l] == swap.all[i];
        if (leaving) ++l;
        if ((at[i].stroke != nullptr) != leaving) return false;
    }
    if (change != nullptr) {
        *change = changeOf(command.kind, swap, at, true, pending,
                           [&](std::size_t i) -> const Stroke* { return command.held[i].get(); });
        if (command.style) change->page = io::styleChanges(drawing.style, *command.style);
    }
    // The page's paper and background trade places with the held ones, without telling the
    // drawing's change sink: this is the history's own change.
    if (command.style) std::swap(drawing.style, *command.style);
    // Everything on the page leaves and nothing changes in place: the page's index goes
    // with the leaving versions whole, and the held index, when there is one, comes back.
    const bool wholePage = swap.leaving.size() == drawing.strokes.count() &&
                           swap.leavingOnly.size() == swap.leaving.size() &&
                           drawing.deformed.empty();
    std::unique_ptr<QuadTree> leavingIndex;
    bool arrivingIndexed = false;
    if (wholePage && command.index) {
        drawing.index.swapWith(*command.index);
        leavingIndex = std::move(command.index);
        arrivingIndexed = true;
    } else if (wholePage) {
        leavingIndex = drawing.index.takeAll();
    }
    command.index.reset();

    // Strokes that leave the page leave the selection; one pass, not one per stroke.
    std::unordered_set<const Stroke*> leavingSelected;
    if (!drawing.selection.empty()) {
        const std::unordered_set<const Stroke*> selected(drawing.selection.begin(),
                                                         drawing.selection.end());
        for (const StrokeId id : command.shown) {
            const Stroke* s = at[countBelow(swap.all, id)].stroke;
            if (selected.contains(s)) leavingSelected.insert(s);
        }
    }
    const bool selectionTouched = !leavingSelected.empty();

    // Versions on the page leave it, or trade places with their held version in the same
    // list node (the stroke keeps its node, so a selection of it stays).
    std::vector<std::unique_ptr<Stroke>> nowHeld;
    nowHeld.reserve(command.held.size() + command.shown.size());
    std::vector<std::unique_ptr<Stroke>> arriving;
    std::size_t h = 0;
    for (const StrokeId id : command.shown) {
        Stroke* s = at[countBelow(swap.all, id)].stroke;
        while (h < command.held.size() && command.held[h]->id < id) {
            arriving.push_back(std::move(command.held[h++]));
        }
        const bool inIndex = !wholePage && indexed(drawing, s);
        if (inIndex) drawing.index.removeStroke(*s);
        if (h < command.held.size() && command.held[h]->id == id) {
            Stroke& other = *command.held[h];
            Stroke onPage = std::move(*s);
            *s = std::move(other);
            other = std::move(onPage);
            prepare(*s, zoom);
            if (inIndex) drawing.index.insertStroke(*s);
            nowHeld.push_back(std::move(command.held[h++]));
        } else {
            if (!drawing.deformed.empty()) std::erase(drawing.deformed, s);
            nowHeld.push_back(drawing.strokes.take(s));
        }
    }
    // Selected strokes that traded places keep their node and stay selected.
    std::erase_if(drawing.selection, [&](const Stroke* s) {
        return leavingSelected.contains(s) && !drawing.strokes.contains(s);
    });
    while (h < command.held.size()) arriving.push_back(std::move(command.held[h++]));

    // Held versions of strokes not on the page go back where their ids place them,
    // newest first, walking back from the end of the list.
    StrokeNode* next = nullptr;  // insert before this node (nullptr: at the end)
    StrokeNode* probe = drawing.strokes.last();
    for (std::size_t i = arriving.size(); i-- > 0;) {
        const StrokeId id = arriving[i]->id;
        while (probe != nullptr && probe->stroke->id > id) {
            next = probe;
            probe = probe->prev;
        }
        Stroke& placed = drawing.strokes.insertBefore(next, std::move(arriving[i]));
        next = placed.listNode;
        prepare(placed, zoom);
        if (!arrivingIndexed) drawing.index.insertStroke(placed);
    }

    std::sort(nowHeld.begin(), nowHeld.end(),
              [](const auto& a, const auto& b) { return a->id < b->id; });
    command.held = std::move(nowHeld);
    command.index = std::move(leavingIndex);
    command.shown = heldIds;
    command.done = !command.done;
    command.measure();

    if (selectionTouched && drawing.selectionBox.shown) {
        if (drawing.selection.empty()) {
            drawing.selectionBox.hide();
        } else {
            drawing.selectionBox.showForSelection(drawing.selection);
        }
    }
    return true;
}

std::optional<Command> commandFor(const io::Change& change, float zoom,
                                  const io::PageStyle& current) {
    Command command = commandFor(change, zoom);
    if (!change.page.empty()) {
        command.style = io::withChanges(current, change.page);
        if (!command.style) return std::nullopt;
    }
    return command;
}

Command commandFor(const io::Change& change, float zoom) {
    Command command;
    command.kind = change.kind;
    command.done = false;
    for (const io::StrokeAt& r : change.removed) command.shown.push_back(r.id);
    for (const io::PlacedStroke& p : change.added) {
        auto s = std::make_unique<Stroke>();
        s->id = p.stroke.id;
        s->points = p.stroke.points;
        s->colour = p.stroke.colour;
        s->recomputeBounds();
        s->resetRibLists();
        s->buildAllRibs(zoom);
        s->buildOutline(zoom);
        command.held.push_back(std::move(s));
    }
    command.measure();
    return command;
}

void dropUnchanged(Command& command, const Drawing& drawing) {
    if (command.style && *command.style == drawing.style) command.style.reset();
    const std::vector<Located> shownAt = locate(drawing.strokes, command.shown);
    std::vector<StrokeId> same;
    for (std::size_t i = 0, h = 0; i < command.shown.size(); ++i) {
        while (h < command.held.size() && command.held[h]->id < command.shown[i]) ++h;
        if (h < command.held.size() && command.held[h]->id == command.shown[i] &&
            shownAt[i].stroke != nullptr && sameContents(*shownAt[i].stroke, *command.held[h])) {
            same.push_back(command.shown[i]);
        }
    }
    if (same.empty()) return;
    const auto isSame = [&](StrokeId id) { return std::binary_search(same.begin(), same.end(), id); };
    std::erase_if(command.shown, isSame);
    std::erase_if(command.held, [&](const auto& s) { return isSame(s->id); });
    command.index.reset();  // it would name strokes no longer held
    command.measure();
}
