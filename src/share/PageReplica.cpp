#include "share/PageReplica.h"

#include <algorithm>
#include <span>

#include "share/RecordCodec.h"

namespace share {

PageReplica::PageReplica(BoardId board, std::uint64_t textLimit) : board_(board) {
    room_.setTextLimit(textLimit);
}

std::deque<PageReplica::Pending>::iterator PageReplica::firstUnhanded() {
    // Changes are handed in order, so the handed ones come first.
    return std::partition_point(pending_.begin(), pending_.end(),
                                [](const Pending& p) { return p.handed; });
}

std::deque<PageReplica::Pending>::iterator PageReplica::findPending(std::uint64_t number) {
    // Numbers ascend in the list: the board counts its changes in the order it makes them.
    const auto it = std::lower_bound(pending_.begin(), pending_.end(), number,
                                     [](const Pending& p, std::uint64_t n) { return p.change.number < n; });
    return it != pending_.end() && it->change.number == number ? it : pending_.end();
}

void PageReplica::noteBases(const ShareChange& change) {
    const auto note = [&](Version base, std::size_t index, bool attribute) {
        if (!isLocal(base)) return;
        builtOn_[base].push_back(BaseRef{change.number, static_cast<std::uint32_t>(index), attribute});
        ++localBases_[change.number];
    };
    for (std::size_t i = 0; i < change.ops.size(); ++i) note(change.ops[i].base, i, false);
    for (std::size_t i = 0; i < change.page.size(); ++i) note(change.page[i].base, i, true);
}

void PageReplica::rewriteBases(Version from, const std::function<Version(io::StrokeId)>& to,
                               Version attributesTo) {
    // Bases are local only as made (a rewrite names a version of the room, or kForeign), so
    // the index holds every base naming `from`; a change gone since is passed over.
    auto refs = builtOn_.extract(from);
    if (refs.empty()) return;
    for (const BaseRef& r : refs.mapped()) {
        const auto p = findPending(r.number);
        if (p == pending_.end()) continue;
        if (r.attribute) {
            p->change.page[r.index].base = attributesTo;
        } else {
            StrokeOp& op = p->change.ops[r.index];
            op.base = to(op.stroke.id);
        }
        const auto left = localBases_.find(r.number);
        if (left != localBases_.end() && --left->second == 0) localBases_.erase(left);
    }
}

void PageReplica::forget(const Pending& p, Version now) {
    const Version local = localVersion(p.change.number);
    for (const StrokeOp& op : p.change.ops) {
        dirty_.insert(op.stroke.id);
        const auto d = drawn_.find(op.stroke.id);
        if (d != drawn_.end() && d->second.version == local) d->second.version = now;
    }
    for (const AttributeOp& a : p.change.page) {
        const auto d = drawnAttributes_.find(a.name);
        if (d != drawnAttributes_.end() && d->second.version == local) d->second.version = now;
    }
    attributesDirty_ = true;
    rewriteBases(local, [now](io::StrokeId) { return now; }, now);
}

void PageReplica::resetRoom(PageState page) {
    for (const auto& [id, e] : room_.table().own()) dirty_.insert(id);
    const std::uint64_t limit = room_.textLimit();
    room_ = std::move(page);
    room_.setTextLimit(limit);
    for (const auto& [id, e] : room_.table().own()) dirty_.insert(id);
    attributesDirty_ = true;
    // Own changes the new page holds already: what builds on them finds the version they
    // were stored at, when the board was told it.
    const std::uint64_t held = room_.lastNumber(board_);
    while (!pending_.empty() && pending_.front().change.number <= held) {
        const Pending p = std::move(pending_.front());
        pending_.pop_front();
        forget(p, p.stored != 0 ? p.stored : kForeign);
    }
    stale_ = true;
}

bool PageReplica::receive(const ShareChange& change, Seq seq, bool* tooLarge) {
    std::vector<io::StrokeId> touched, skipped;
    const auto it = change.board != board_ ? pending_.end() : findPending(change.number);
    const Version local = localVersion(change.number);
    // The oldest pending change come back as sent, with nothing of another board before
    // it: shown_ holds what the rules make of it over the room's page, under its local
    // version. A change that only drew new strokes goes down into the room's page from
    // there, renamed, rather than being made again from the record.
    const bool oldest = !stale_ && it == pending_.begin() && it != pending_.end() &&
                        change.page.empty() && it->change == change;
    // The drawing shows those strokes as shown_ did: nothing to mark for reconcile().
    const bool movedDown = oldest && room_.takeDrawn(change, seq, shown_, local);
    if (movedDown && tooLarge) *tooLarge = false;
    if (!movedDown && !room_.apply(change, seq, &touched, &skipped, tooLarge)) return false;
    dirty_.insert(touched.begin(), touched.end());
    // Taken whole, the room now holds what shown_ applied over it, under another version.
    // shown_ stays as it is but for that name (versions only compare, and the record's
    // sequence sorts where the local version did: after every version of the room, before
    // later local ones). Anything else rebuilds shown_ over the new page.
    const bool asShown = oldest && skipped.empty();
    if (!asShown) stale_ = true;
    attributesDirty_ = attributesDirty_ || !change.page.empty();
    if (it == pending_.end()) return true;
    if (asShown) {
        for (const io::StrokeId id : touched) shown_.rename(id, local, seq);  // none if moved down
    }
    // What the record set in the room is what the drawing shows already: only the name
    // of that version changes. A step the rules passed over names no version of the room,
    // so nothing built on it (an undo) finds the stroke as it expects.
    std::sort(skipped.begin(), skipped.end());
    for (const StrokeOp& op : change.ops) {
        const auto d = drawn_.find(op.stroke.id);
        if (d == drawn_.end() || d->second.version != local) continue;
        const bool passedOver = std::binary_search(skipped.begin(), skipped.end(), op.stroke.id);
        d->second.version = passedOver ? kForeign : seq;
    }
    // A change's attributes are set, or all passed over with the undo they belong to.
    const AttributeEntry* set = change.page.empty() ? nullptr : room_.table().findAttribute(change.page[0].name);
    const Version attributesAt = set != nullptr && set->version == seq ? seq : kForeign;
    for (const AttributeOp& a : change.page) {
        const auto d = drawnAttributes_.find(a.name);
        if (d != drawnAttributes_.end() && d->second.version == local) d->second.version = attributesAt;
    }
    pending_.erase(it);
    rewriteBases(local, [&](io::StrokeId id) {
        return std::binary_search(skipped.begin(), skipped.end(), id) ? kForeign : seq;
    }, attributesAt);
    return true;
}

const ShareChange& PageReplica::local(const io::Change& change, std::uint64_t number,
                                      const std::function<io::StrokeId(io::StrokeId)>& originOf,
                                      bool undo, bool seed) {
    ShareChange c;
    c.board = board_;
    c.number = number;
    c.kind = change.kind;
    c.undo = undo;
    std::size_t r = 0, a = 0;
    while (r < change.removed.size() || a < change.added.size()) {
        const io::StrokeId removedId =
            r < change.removed.size() ? change.removed[r].id : ~io::StrokeId{0};
        const io::StrokeId addedId =
            a < change.added.size() ? change.added[a].stroke.id : ~io::StrokeId{0};
        const io::StrokeId id = std::min(removedId, addedId);
        const bool wasThere = removedId == id;
        StrokeOp op;
        if (addedId == id) {
            op.stroke = change.added[a++].stroke;
            op.present = true;
        } else {
            op.stroke.id = id;
        }
        if (wasThere) ++r;
        const auto d = drawn_.find(id);
        if (d != drawn_.end()) {
            op.base = d->second.version;
        } else {
            op.base = wasThere ? kForeign : 0;  // a stroke the page never had, or a new one
        }
        if (op.base == 0 && originOf) op.origin = originOf(id);
        c.ops.push_back(std::move(op));
    }
    const Version at = localVersion(number);
    for (const io::PageAttributeChange& a : change.page) {
        // One no record may carry (a page file naming a background outside the folder)
        // stays this board's own.
        if (!sendableAttribute(a.name, a.after)) continue;
        const auto d = drawnAttributes_.find(a.name);
        c.page.push_back(AttributeOp{a.name, a.after, d != drawnAttributes_.end() ? d->second.version : 0});
        drawnAttributes_[a.name] = AttributeEntry{a.after, at};
        attributesDirty_ = true;
    }
    for (const StrokeOp& op : c.ops) {
        drawn_[op.stroke.id] = Drawn{op.present, at};
        dirty_.insert(op.stroke.id);  // a step the rules skip leaves the drawing behind
    }
    noteBases(c);
    Pending p;
    p.change = std::move(c);
    p.seed = seed;
    pending_.push_back(std::move(p));
    if (!stale_) {
        std::vector<io::StrokeId> touched;
        applyChange(shown_, pending_.back().change, at, &touched);
        dirty_.insert(touched.begin(), touched.end());
    }
    return pending_.back().change;
}

void PageReplica::restore(ShareChange change, bool seed) {
    noteBases(change);
    Pending p;
    p.change = std::move(change);
    p.seed = seed;
    pending_.push_back(std::move(p));
    stale_ = true;
}

void PageReplica::stored(std::uint64_t number, Seq seq) {
    const auto it = findPending(number);
    if (it != pending_.end()) it->stored = seq;
}

void PageReplica::refused(std::uint64_t number) {
    const auto it = findPending(number);
    if (it == pending_.end()) return;
    const Pending p = std::move(*it);
    pending_.erase(it);
    forget(p, kForeign);
    stale_ = true;
}

std::vector<const PageReplica::Pending*> PageReplica::takeSendable() {
    std::vector<const Pending*> out;
    for (auto it = firstUnhanded(); it != pending_.end(); ++it) {
        Pending& p = *it;
        // A change built on one of the board's changes the room has not applied yet waits
        // for it: only then is it known whether the rules took that step or passed it over.
        if (localBases_.contains(p.change.number)) break;
        p.handed = true;
        out.push_back(&p);
    }
    return out;
}

void PageReplica::rehand() {
    for (Pending& p : pending_) p.handed = false;
}

void PageReplica::rebuild() {
    for (const auto& [id, e] : shown_.own()) dirty_.insert(id);
    shown_.clear();
    std::vector<io::StrokeId> touched;
    for (const Pending& p : pending_) {
        applyChange(shown_, p.change, localVersion(p.change.number), &touched, nullptr);
        for (const StrokeOp& op : p.change.ops) dirty_.insert(op.stroke.id);
    }
    dirty_.insert(touched.begin(), touched.end());
    stale_ = false;
    attributesDirty_ = true;
}

std::vector<io::StrokeData> PageReplica::showAll(io::PageStyle* style) {
    if (stale_) rebuild();
    std::vector<io::StrokeData> out;
    drawn_.clear();
    drawnAttributes_ = shown_.attributes();
    attributesDirty_ = false;
    if (style) *style = styleOf(shown_);
    const auto take = [&](io::StrokeId id, const StrokeEntry& e) {
        drawn_[id] = Drawn{e.present, e.version};
        if (e.present) out.push_back(io::StrokeData{id, e.points, e.colour});
    };
    const auto& under = room_.table().own();
    const auto& over = shown_.own();
    auto a = under.begin();
    auto b = over.begin();
    while (a != under.end() || b != over.end()) {
        if (b == over.end() || (a != under.end() && a->first < b->first)) {
            take(a->first, a->second);
            ++a;
        } else {
            if (a != under.end() && a->first == b->first) ++a;
            take(b->first, b->second);
            ++b;
        }
    }
    dirty_.clear();
    return out;
}

io::Change PageReplica::reconcile(const std::function<bool(io::StrokeId)>& busy) {
    if (stale_) rebuild();
    io::Change out;
    out.kind = io::ChangeKind::Several;
    for (auto it = dirty_.begin(); it != dirty_.end();) {
        const io::StrokeId id = *it;
        const StrokeEntry* s = shown_.find(id);
        const auto d = drawn_.find(id);
        const bool shownHere = s != nullptr && s->present;
        const bool drawnHere = d != drawn_.end() && d->second.present;
        const Version version = s != nullptr ? s->version : kForeign;
        if (shownHere == drawnHere && (!shownHere || version == d->second.version)) {
            it = dirty_.erase(it);
            continue;
        }
        if (busy && busy(id)) {
            ++it;
            continue;
        }
        if (drawnHere) out.removed.push_back(io::StrokeAt{id, 0});
        if (shownHere) out.added.push_back(io::PlacedStroke{0, io::StrokeData{id, s->points, s->colour}});
        drawn_[id] = Drawn{shownHere, version};
        it = dirty_.erase(it);
    }
    if (attributesDirty_) {
        attributesDirty_ = false;
        std::map<std::string, AttributeEntry> shown = shown_.attributes();
        for (const auto& [name, e] : drawnAttributes_) shown.try_emplace(name);  // unset now
        for (auto& [name, e] : shown) {
            AttributeEntry& drawn = drawnAttributes_[name];
            if (drawn.value != e.value) out.page.push_back(io::PageAttributeChange{name, drawn.value, e.value});
            drawn = std::move(e);
        }
    }
    return out;
}

std::string PageReplica::shownText() {
    if (stale_) rebuild();
    return textOf(contentOf(shown_, &room_.table()));
}

bool PageReplica::conflicted(io::StrokeId id) {
    if (stale_) rebuild();
    const auto d = drawn_.find(id);
    if (d != drawn_.end() && d->second.version == kForeign) return true;
    if (!dirty_.contains(id)) return false;
    const StrokeEntry* s = shown_.find(id);
    const bool shownHere = s != nullptr && s->present;
    const bool drawnHere = d != drawn_.end() && d->second.present;
    return shownHere != drawnHere || (shownHere && s->version != d->second.version);
}

bool PageReplica::conflicted(const std::string& attribute) {
    if (stale_) rebuild();
    const auto d = drawnAttributes_.find(attribute);
    const AttributeEntry* s = shown_.findAttribute(attribute);
    const Version drawn = d != drawnAttributes_.end() ? d->second.version : 0;
    return drawn == kForeign || drawn != (s != nullptr ? s->version : 0);
}

io::StrokeId PageReplica::largestId() const {
    io::StrokeId largest = 0;
    if (!room_.table().own().empty()) largest = room_.table().own().rbegin()->first;
    if (!shown_.own().empty()) largest = std::max(largest, shown_.own().rbegin()->first);
    return largest;
}

}  // namespace share
