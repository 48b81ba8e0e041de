#include "document/Command.h"

#include <algorithm>

#include "document/Drawing.h"

namespace {

using io::StrokeId;

struct Located {
    std::uint32_t below = 0;     // strokes on the page with a smaller id
    Stroke* stroke = nullptr;    // the stroke with this id, when it is on the page
};

// For ids in ascending order: where each stands on the page. Walks back from the newest
// stroke only as far as the smallest id asked for, so a change of recent strokes costs
// little on a long page.
std::vector<Located> locate(const StrokeList& strokes, const std::vector<StrokeId>& ids) {
    std::vector<Located> out(ids.size());
    StrokeNode* node = strokes.last();
    std::uint32_t above = 0;  // strokes walked past: ids at least the current one
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
    for (const auto& s : held) bytes += strokeBytes(*s);
}

bool fitsPage(const Command& command, const Drawing& drawing) {
    const std::vector<Located> shown = locate(drawing.strokes, command.shown);
    for (const Located& at : shown) {
        if (at.stroke == nullptr) return false;
    }
    const std::vector<StrokeId> arriving = minus(idsOf(command.held), command.shown);
    for (const Located& at : locate(drawing.strokes, arriving)) {
        if (at.stroke != nullptr) return false;
    }
    return true;
}

io::Change describe(const Command& command, const Drawing& drawing, const PendingIds& pending) {
    const std::vector<StrokeId> heldIds = idsOf(command.held);
    const std::vector<StrokeId> newIds = minus(command.shown, heldIds);
    const std::vector<StrokeId> goneIds = minus(heldIds, command.shown);
    const std::vector<Located> shownAt = locate(drawing.strokes, command.shown);
    const std::vector<Located> heldAt = locate(drawing.strokes, heldIds);
    // Strokes below x on the page after this command in history order.
    const auto rankAfter = [&](StrokeId x, std::uint32_t onPageBelow) {
        return onPageBelow - countBelow(pending.added, x) + countBelow(pending.removed, x);
    };

    io::Change change;
    change.kind = command.kind;
    change.removed.reserve(heldIds.size());
    for (std::size_t i = 0; i < heldIds.size(); ++i) {
        const StrokeId x = heldIds[i];
        const std::uint32_t before =
            rankAfter(x, heldAt[i].below) - countBelow(newIds, x) + countBelow(goneIds, x);
        change.removed.push_back({x, before});
    }
    change.added.reserve(command.shown.size());
    for (std::size_t i = 0; i < command.shown.size(); ++i) {
        io::PlacedStroke& p = change.added.emplace_back();
        p.position = rankAfter(command.shown[i], shownAt[i].below);
        p.stroke.id = command.shown[i];
        if (shownAt[i].stroke != nullptr) p.stroke.points = shownAt[i].stroke->points;
    }
    return change;
}

io::Change toggle(Command& command, Drawing& drawing, const PendingIds& pending) {
    const float zoom = drawing.view.zoom;
    const std::vector<StrokeId> heldIds = idsOf(command.held);
    const std::vector<Located> leaving = locate(drawing.strokes, command.shown);
    bool selectionTouched = false;

    // Versions on the page leave it, or trade places with their held version in the same
    // list node (the stroke keeps its node, so a selection of it stays).
    std::vector<std::unique_ptr<Stroke>> nowHeld;
    nowHeld.reserve(command.held.size() + command.shown.size());
    std::vector<std::unique_ptr<Stroke>> arriving;
    std::size_t h = 0;
    for (std::size_t i = 0; i < command.shown.size(); ++i) {
        const StrokeId id = command.shown[i];
        Stroke* s = leaving[i].stroke;
        while (h < command.held.size() && command.held[h]->id < id) {
            arriving.push_back(std::move(command.held[h++]));
        }
        const bool inIndex = indexed(drawing, s);
        if (inIndex) drawing.index.removeStroke(*s);
        if (std::find(drawing.selection.begin(), drawing.selection.end(), s) !=
            drawing.selection.end()) {
            selectionTouched = true;
        }
        if (h < command.held.size() && command.held[h]->id == id) {
            Stroke& other = *command.held[h];
            Stroke onPage = std::move(*s);
            *s = std::move(other);
            other = std::move(onPage);
            prepare(*s, zoom);
            if (inIndex) drawing.index.insertStroke(*s);
            nowHeld.push_back(std::move(command.held[h++]));
        } else {
            std::erase(drawing.selection, s);
            std::erase(drawing.deformed, s);
            nowHeld.push_back(drawing.strokes.take(s));
        }
    }
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
        drawing.index.insertStroke(placed);
    }

    std::sort(nowHeld.begin(), nowHeld.end(),
              [](const auto& a, const auto& b) { return a->id < b->id; });
    command.held = std::move(nowHeld);
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
    return describe(command, drawing, pending);
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
    const std::vector<Located> shownAt = locate(drawing.strokes, command.shown);
    std::vector<StrokeId> same;
    for (std::size_t i = 0, h = 0; i < command.shown.size(); ++i) {
        while (h < command.held.size() && command.held[h]->id < command.shown[i]) ++h;
        if (h < command.held.size() && command.held[h]->id == command.shown[i] &&
            shownAt[i].stroke != nullptr && shownAt[i].stroke->points == command.held[h]->points) {
            same.push_back(command.shown[i]);
        }
    }
    if (same.empty()) return;
    const auto isSame = [&](StrokeId id) { return std::binary_search(same.begin(), same.end(), id); };
    std::erase_if(command.shown, isSame);
    std::erase_if(command.held, [&](const auto& s) { return isSame(s->id); });
    command.measure();
}
