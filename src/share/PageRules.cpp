#include "share/PageRules.h"

#include <algorithm>
#include <utility>

namespace share {

// A new stroke's id is above every id a table holds (ids ascend as boards draw): one look
// at the largest entry tells, instead of a walk down the tree, which has gone cold while
// the stroke was drawn.
bool StrokeTable::beyondLast(io::StrokeId id) const {
    return entries_.empty() || entries_.rbegin()->first < id;
}

const StrokeEntry* StrokeTable::find(io::StrokeId id) const {
    if (!beyondLast(id)) {
        const auto it = entries_.find(id);
        if (it != entries_.end()) return &it->second;
    }
    return under_ ? under_->find(id) : nullptr;
}

void StrokeTable::put(io::StrokeId id, StrokeEntry entry) {
    if (entry.origin != 0 && find(id) == nullptr) children_[entry.origin].push_back(id);
    if (beyondLast(id)) {
        entries_.emplace_hint(entries_.end(), id, std::move(entry));
    } else {
        entries_[id] = std::move(entry);
    }
}

void StrokeTable::childrenOf(io::StrokeId id, std::vector<io::StrokeId>& out) const {
    if (under_) under_->childrenOf(id, out);
    const auto it = children_.find(id);
    if (it != children_.end()) out.insert(out.end(), it->second.begin(), it->second.end());
}

void StrokeTable::clear() {
    entries_.clear();
    children_.clear();
    attributes_.clear();
}

const AttributeEntry* StrokeTable::findAttribute(const std::string& name) const {
    const auto it = attributes_.find(name);
    if (it != attributes_.end()) return &it->second;
    return under_ ? under_->findAttribute(name) : nullptr;
}

std::map<std::string, AttributeEntry> StrokeTable::attributes() const {
    std::map<std::string, AttributeEntry> all = under_ ? under_->attributes() : std::map<std::string, AttributeEntry>{};
    for (const auto& [name, e] : attributes_) all[name] = e;
    return all;
}

StrokeEntry& StrokeTable::takeNode(Node node) {
    const io::StrokeId id = node.key();
    const io::StrokeId origin = node.mapped().origin;
    if (origin != 0 && find(id) == nullptr) children_[origin].push_back(id);
    if (beyondLast(id)) return entries_.insert(entries_.end(), std::move(node))->second;
    auto r = entries_.insert(std::move(node));
    if (!r.inserted) r.position->second = std::move(r.node.mapped());
    return r.position->second;
}

void StrokeTable::absorb(StrokeTable&& upper) {
    // The entries' nodes move over whole: nothing is allocated or copied.
    while (!upper.entries_.empty()) takeNode(upper.entries_.extract(upper.entries_.begin()));
    for (auto& [name, entry] : upper.attributes_) attributes_[name] = std::move(entry);
    upper.clear();
}

StrokeEntry* StrokeTable::takeEntry(StrokeTable& upper, io::StrokeId id, Version from, Version to) {
    Node node = upper.entries_.extract(id);
    if (node.empty()) return nullptr;
    for (Version* v : {&node.mapped().version, &node.mapped().created, &node.mapped().cutAt}) {
        if (*v == from) *v = to;
    }
    // A piece goes down with its place in its stroke's list of pieces.
    const io::StrokeId origin = node.mapped().origin;
    const auto c = origin != 0 ? upper.children_.find(origin) : upper.children_.end();
    if (c != upper.children_.end()) {
        std::erase(c->second, id);
        if (c->second.empty()) upper.children_.erase(c);
    }
    return &takeNode(std::move(node));
}

void StrokeTable::rename(io::StrokeId id, Version from, Version to) {
    const auto it = entries_.find(id);
    if (it == entries_.end()) return;
    StrokeEntry& e = it->second;
    for (Version* v : {&e.version, &e.created, &e.cutAt}) {
        if (*v == from) *v = to;
    }
    const StrokeEntry* below = under_ ? under_->find(id) : nullptr;
    // A piece the table under it knows is listed there as a child already.
    if (below != nullptr && e.origin != 0) {
        const auto c = children_.find(e.origin);
        if (c != children_.end()) std::erase(c->second, id);
        if (c != children_.end() && c->second.empty()) children_.erase(c);
    }
    if (below != nullptr && *below == e) entries_.erase(it);
}

namespace {

enum class Fate { Applied, Skipped };

void note(std::vector<io::StrokeId>* touched, io::StrokeId id) {
    if (touched) touched->push_back(id);
}

void removeEntry(StrokeTable& table, io::StrokeId id, const StrokeEntry& was, Version at,
                 std::vector<io::StrokeId>* touched) {
    StrokeEntry gone;
    gone.version = at;
    gone.origin = was.origin;
    gone.created = was.created;  // read before `was` may be overwritten
    gone.cutAt = was.cutAt;
    table.put(id, std::move(gone));
    note(touched, id);
}

// A removal made on an older version of `id` also takes the pieces the eraser cut from it
// since that version: the remover never saw them, and they are what it removed.
void removeUnseenPieces(StrokeTable& table, io::StrokeId id, Version seen, Version at,
                        std::vector<io::StrokeId>* touched) {
    std::vector<io::StrokeId> children;
    table.childrenOf(id, children);
    for (const io::StrokeId child : children) {
        const StrokeEntry* e = table.find(child);
        if (e == nullptr || e->created <= seen) continue;
        if (e->present) removeEntry(table, child, *e, at, touched);
        removeUnseenPieces(table, child, seen, at, touched);
    }
}

}  // namespace

bool applyChange(StrokeTable& table, const ShareChange& change, Version at,
                 std::vector<io::StrokeId>* touched, std::vector<io::StrokeId>* skipped) {
    // Ops run in ascending id, so a piece comes after the stroke it was cut from (its id
    // is newer) and can follow that stroke's fate.
    if (change.undo) {
        const bool asSeen = std::all_of(change.ops.begin(), change.ops.end(), [&](const StrokeOp& op) {
            const StrokeEntry* cur = table.find(op.stroke.id);
            return cur ? cur->version == op.base : op.base == 0;
        }) && std::all_of(change.page.begin(), change.page.end(), [&](const AttributeOp& op) {
            const AttributeEntry* cur = table.findAttribute(op.name);
            return cur ? cur->version == op.base : op.base == 0;
        });
        if (!asSeen) {
            for (const StrokeOp& op : change.ops) note(skipped, op.stroke.id);
            return false;
        }
    }
    // The page's own attributes have one value each: the later record's, whoever saw what.
    for (const AttributeOp& op : change.page) table.putAttribute(op.name, AttributeEntry{op.value, at});
    // Each op's fate, in op order. Ops ascend by id (the decoder refuses a record whose ids
    // do not, and a board's own changes are made so), so a lookup is a binary search.
    std::vector<std::pair<io::StrokeId, Fate>> fates;
    fates.reserve(change.ops.size());
    const auto fateOf = [&](io::StrokeId id) -> const Fate* {
        const auto f = std::lower_bound(fates.begin(), fates.end(), id,
                                        [](const auto& p, io::StrokeId i) { return p.first < i; });
        return f != fates.end() && f->first == id ? &f->second : nullptr;
    };
    // Changes that may have erased part of a stroke: an eraser gesture, alone or merged.
    const bool cutting =
        change.kind == io::ChangeKind::Erase || change.kind == io::ChangeKind::Several;
    for (const StrokeOp& op : change.ops) {
        const io::StrokeId id = op.stroke.id;
        const StrokeEntry* cur = table.find(id);
        const bool isNew = op.base == 0;
        const io::StrokeId origin = cur ? cur->origin : op.origin;

        bool skip = isNew && cur != nullptr;  // an id the page has already: never replaced
        if (!skip && origin != 0) {
            if (const Fate* f = fateOf(origin)) {
                skip = *f == Fate::Skipped;
            } else if (isNew) {
                const StrokeEntry* o = table.find(origin);
                skip = o == nullptr || !o->present;
            }
        }
        if (skip) {
            fates.emplace_back(id, Fate::Skipped);
            note(skipped, id);
            continue;
        }
        // The stroke is as the board saw it: nobody changed it in between.
        const bool asSeen = cur ? cur->version == op.base : isNew;
        Fate fate = Fate::Applied;
        if (op.present) {
            // A stroke changed since the board saw it takes the later version, unless an
            // eraser took part of it meanwhile: the older shape would bring that ink back.
            const bool later = cur && cur->present && op.base != kForeign && cur->cutAt <= op.base;
            if (asSeen || later) {
                StrokeEntry e;
                e.present = true;
                e.points = op.stroke.points;
                e.textBytes = op.textBytes;
                e.colour = op.stroke.colour;
                e.version = at;
                e.origin = cur ? cur->origin : op.origin;
                e.created = cur ? cur->created : at;
                e.cutAt = cutting ? at : (cur ? cur->cutAt : 0);
                table.put(id, std::move(e));
                note(touched, id);
            } else {
                fate = Fate::Skipped;  // removed or cut since the board saw it
            }
        } else if (cur && cur->present) {
            removeEntry(table, id, *cur, at, touched);
            if (!asSeen) removeUnseenPieces(table, id, op.base, at, touched);
        } else if (!asSeen && cur != nullptr) {
            // Removed by another record first. Both removals count: the stroke's version
            // moves on, so that neither board's undo brings it back.
            StrokeEntry again = *cur;
            again.version = at;
            table.put(id, std::move(again));
            note(touched, id);
            fate = Fate::Skipped;
        } else if (!asSeen) {
            fate = Fate::Skipped;
        }
        if (fate == Fate::Skipped) note(skipped, id);
        fates.emplace_back(id, fate);
    }
    return true;
}

}  // namespace share
