#include "document/QuadTree.h"

#include <algorithm>
#include <iostream>
#include <unordered_set>

#include "geometry/Stroke.h"

namespace {

// Float cells stop shrinking meaningfully long before this; it also ends the depth count
// for a non-finite size, which would otherwise halve forever.
constexpr std::uint32_t kDepthCap = 32;

Rect quadrantBounds(const Rect& r, int q) {
    const Vec2 c = r.centre();
    switch (q) {
        case 0:
            return {r.minX, r.minY, c.x, c.y};
        case 1:
            return {c.x, r.minY, r.maxX, c.y};
        case 2:
            return {r.minX, c.y, c.x, r.maxY};
        default:
            return {c.x, c.y, r.maxX, r.maxY};
    }
}

// A stroke's entries: its segments, or for a dot (one point) the point itself as a segment
// of no length, so that the eraser, the lasso and a tap find a dot as they find a line.
std::size_t entryCount(const std::vector<ControlPoint>& pts) {
    return pts.size() < 2 ? pts.size() : pts.size() - 1;
}
Vec2 entryEnd(const std::vector<ControlPoint>& pts, std::size_t i) {
    return pts[std::min(i + 1, pts.size() - 1)].pos();
}

}  // namespace

QuadTree::QuadTree(float width, float height, float minCell, std::ostream& log)
    : boxes_(width, height), log_(&log) {
    root_.bounds = Rect(0.0f, 0.0f, width, height);
    float s = height;
    while (minCell < s && maxDepth_ < kDepthCap) {
        s = s * 0.5f;
        ++maxDepth_;
    }
    *log_ << "maxDepth: " << maxDepth_ << "\n";
}

QuadTree::QuadTree(float width, float height, float minCell)
    : QuadTree(width, height, minCell, std::cout) {}

void QuadTree::insertStroke(Stroke& stroke) {
    const auto& pts = stroke.points;
    Rect box = stroke.bounds;
    for (const ControlPoint& p : pts) box.include(p.pos());
    boxes_.place(stroke, box);
    for (std::size_t i = 0; i < entryCount(pts); ++i) {
        insert({pts[i].pos(), entryEnd(pts, i), &stroke, static_cast<std::int32_t>(i)});
    }
}

void QuadTree::clear() {
    const Rect bounds = root_.bounds;
    root_ = QuadNode();
    root_.bounds = bounds;
    boxes_ = StrokeBoxGrid(bounds.maxX, bounds.maxY);
}

QuadTree::QuadTree(const QuadTree& like, Quiet)
    : boxes_(like.root_.bounds.maxX, like.root_.bounds.maxY),
      maxDepth_(like.maxDepth_),
      log_(like.log_) {
    root_.bounds = like.root_.bounds;
}

std::unique_ptr<QuadTree> QuadTree::takeAll() {
    std::unique_ptr<QuadTree> taken(new QuadTree(*this, Quiet{}));
    swapWith(*taken);
    return taken;
}

void QuadTree::swapWith(QuadTree& other) {
    std::swap(root_, other.root_);
    std::swap(boxes_, other.boxes_);
    // The roots' children name their parent by address, which did not move with them.
    for (QuadTree* t : {this, &other}) {
        if (t->root_.isLeaf()) continue;
        for (auto& child : t->root_.children) child->parent = &t->root_;
    }
}

std::size_t QuadTree::bytes() const {
    std::size_t total = 0;
    forEachNode([&](const QuadNode& node, std::uint32_t) {
        total += sizeof(QuadNode) + node.entries.capacity() * sizeof(SegmentEntry);
    });
    // Boxes: a hash map slot and a grid entry per stroke, roughly.
    return total + boxes_.size() * 64;
}

void QuadTree::removeStroke(const Stroke& stroke) {
    boxes_.erase(stroke);
    const auto& pts = stroke.points;
    const std::size_t segments = entryCount(pts);
    // Neighbouring segments mostly share a node: each run of them that does is taken out
    // in one pass over the node's entries, where removing them one by one scanned and
    // shifted the entries once per segment. The result is the same, entry order included.
    for (std::size_t first = 0; first < segments;) {
        QuadNode* node = nodeFor(pts[first].pos(), entryEnd(pts, first));
        std::size_t end = first + 1;
        while (end < segments && nodeFor(pts[end].pos(), entryEnd(pts, end)) == node) ++end;
        removeRun(*node, stroke, first, end);
        first = end;  // the next run's node is found again: this one may have collapsed
    }
}

QuadNode* QuadTree::nodeFor(Vec2 a, Vec2 b) {
    QuadNode* node = &root_;
    while (!node->isLeaf()) {
        const Vec2 c = node->centre();
        const int qa = quadrantOf(a, c);
        if (qa != quadrantOf(b, c)) break;
        node = node->children[qa].get();
    }
    return node;
}

// Removes, for each segment first..end-1 of the stroke, the earliest entry of the node with
// its end points and owner, as remove() would one segment after the other.
void QuadTree::removeRun(QuadNode& node, const Stroke& owner, std::size_t first, std::size_t end) {
    const auto& pts = owner.points;
    const std::size_t count = end - first;
    std::vector<char>& matched = runMatched_;
    matched.assign(count, 0);
    const auto fits = [&](const SegmentEntry& e, std::size_t k) {
        return !matched[k] && e.a == pts[first + k].pos() && e.b == entryEnd(pts, first + k);
    };
    std::size_t removed = 0;
    auto& entries = node.entries;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const SegmentEntry& e = entries[i];
        std::size_t k = count;
        if (e.stroke == &owner && removed < count) {
            // Usually the entry's own segment; else any unmatched one with its end points.
            const std::size_t own = static_cast<std::size_t>(e.segment) - first;
            if (own < count && fits(e, own)) {
                k = own;
            } else {
                for (std::size_t j = 0; j < count && k == count; ++j) {
                    if (fits(e, j)) k = j;
                }
            }
        }
        if (k < count) {
            matched[k] = 1;
            ++removed;
        } else {
            if (kept != i) entries[kept] = e;
            ++kept;
        }
    }
    entries.resize(kept);
    for (std::size_t i = removed; i < count; ++i) *log_ << "couldn't find\n";
    if (removed > 0) afterRemoval(node, removed);
}

void QuadTree::insert(const SegmentEntry& entry) {
    if (!root_.bounds.contains(entry.a) || !root_.bounds.contains(entry.b)) return;

    QuadNode* node = &root_;
    std::uint32_t depth = 0;
    while (!node->isLeaf()) {
        const Vec2 c = node->centre();
        const int qa = quadrantOf(entry.a, c);
        if (qa != quadrantOf(entry.b, c)) {
            addEntry(*node, entry);
            return;
        }
        node = node->children[qa].get();
        ++depth;
    }
    const bool roomy = node->entries.empty() || depth >= maxDepth_;
    addEntry(*node, entry);
    if (!roomy) split(*node);
}

void QuadTree::includeInBox(QuadNode& node, const SegmentEntry& entry) {
    const float cx = node.centre().x;
    Rect& box = (entry.a.x - cx < 0.0f) != (entry.b.x - cx < 0.0f) ? node.acrossX : node.others;
    box.include(entry.a);
    box.include(entry.b);
}

void QuadTree::addEntry(QuadNode& node, const SegmentEntry& entry) {
    includeInBox(node, entry);
    node.entries.push_back(entry);
}

void QuadTree::refitBoxes(QuadNode& node) {
    node.removalsSinceFit = 0;
    node.acrossX = Rect();
    node.others = Rect();
    for (const SegmentEntry& e : node.entries) includeInBox(node, e);
}

// Turns a leaf into a parent and moves every entry that fits one quadrant down one level,
// keeping the order of the entries in each vector. The children are not split further.
void QuadTree::split(QuadNode& node) {
    for (int q = 0; q < 4; ++q) {
        node.children[q] = std::make_unique<QuadNode>();
        node.children[q]->bounds = quadrantBounds(node.bounds, q);
        node.children[q]->parent = &node;
    }
    std::vector<SegmentEntry> old;
    old.swap(node.entries);
    node.acrossX = Rect();
    node.others = Rect();
    const Vec2 c = node.centre();
    for (const SegmentEntry& e : old) {
        const int qa = quadrantOf(e.a, c);
        addEntry(qa == quadrantOf(e.b, c) ? *node.children[qa] : node, e);
    }
}

void QuadTree::remove(Vec2 a, Vec2 b, const Stroke* owner) {
    QuadNode* node = nodeFor(a, b);
    auto& entries = node->entries;
    const auto it = std::find_if(entries.begin(), entries.end(),
                                 [&](const SegmentEntry& e) {
                                     return e.a == a && e.b == b && (!owner || e.stroke == owner);
                                 });
    if (it == entries.end()) {
        *log_ << "couldn't find\n";
        return;
    }
    entries.erase(it);
    afterRemoval(*node, 1);
}

void QuadTree::afterRemoval(QuadNode& node, std::size_t removed) {
    // The boxes may stay larger than the entries after removals (a superset only costs
    // pruning); refitting once a quarter of the entries has gone keeps removal O(1) amortised.
    node.removalsSinceFit += removed;
    if (node.removalsSinceFit * 4 > node.entries.size()) refitBoxes(node);

    if (!node.entries.empty() || node.parent == nullptr) return;
    // Collapse one level at most: the parent of an emptied leaf, or an emptied inner node,
    // loses its children when all four are empty leaves.
    QuadNode* t = node.isLeaf() ? node.parent : &node;
    const bool allEmpty = std::all_of(t->children.begin(), t->children.end(), [](const auto& c) {
        return c->isLeaf() && c->entries.empty();
    });
    if (allEmpty) {
        for (auto& c : t->children) c.reset();
    }
}

std::vector<const SegmentEntry*> QuadTree::query(const Rect& rect) const {
    std::vector<const SegmentEntry*> out;
    query(rect, out);
    return out;
}

void QuadTree::query(const Rect& rect, std::vector<const SegmentEntry*>& out) const {
    // Each level pushes four nodes and pops one, so the stack never exceeds 3 per level + 4.
    std::array<const QuadNode*, 3 * (kDepthCap + 1) + 4> stack;
    std::size_t top = 0;
    const QuadNode* node = &root_;
    for (;;) {
        if (node->bounds.overlaps(rect)) {
            if (rect.overlaps(node->acrossX) || rect.overlaps(node->others)) {
                for (const SegmentEntry& e : node->entries) {
                    // The box test is implied by meetsSegment; done here it spares the call.
                    if (std::max(e.a.x, e.b.x) < rect.minX || std::min(e.a.x, e.b.x) > rect.maxX ||
                        std::max(e.a.y, e.b.y) < rect.minY || std::min(e.a.y, e.b.y) > rect.maxY) {
                        continue;
                    }
                    if (rect.meetsSegment(e.a, e.b)) out.push_back(&e);
                }
            }
            if (!node->isLeaf()) {
                for (const auto& child : node->children) stack[top++] = child.get();
            }
        }
        if (top == 0) return;
        node = stack[--top];
    }
}

std::vector<Stroke*> QuadTree::queryStrokes(const Rect& rect) const {
    std::vector<Stroke*> strokes;
    std::unordered_set<const Stroke*> seen;
    for (const SegmentEntry* e : query(rect)) {
        if (seen.insert(e->stroke).second) strokes.push_back(e->stroke);
    }
    return strokes;
}
