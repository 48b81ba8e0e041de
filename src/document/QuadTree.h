#pragma once

#include <array>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <vector>

#include "document/StrokeBoxGrid.h"
#include "geometry/Rect.h"
#include "geometry/Vec2.h"

class Stroke;

// One indexed stroke segment: copies of its end points (canvas units), the stroke it
// belongs to (not owned) and the index of its first control point in that stroke. A dot's
// one entry has both ends on its point.
struct SegmentEntry {
    Vec2 a;
    Vec2 b;
    Stroke* stroke = nullptr;
    std::int32_t segment = 0;
};

// A cell of the tree. Children are either all absent (a leaf) or all present; child i
// covers quadrant i: 0 low x / low y, 1 high x / low y, 2 low x / high y, 3 high x / high y.
struct QuadNode {
    Rect bounds;
    std::vector<SegmentEntry> entries;
    QuadNode* parent = nullptr;
    std::array<std::unique_ptr<QuadNode>, 4> children;
    // Boxes around the entries whose end points lie on both sides of x = centre.x (a narrow
    // vertical band when the segments are short) and around all other entries. A query
    // that meets neither skips the node's entries.
    // Kept as supersets while entries are removed; see QuadTree::remove.
    Rect acrossX;
    Rect others;
    std::size_t removalsSinceFit = 0;

    bool isLeaf() const { return !children[0]; }
    Vec2 centre() const { return bounds.centre(); }
};

// Spatial index of stroke segments over the canvas square (0, 0)-(width, height).
// A segment is stored at the deepest node whose quadrant holds both its end points, so
// segments that straddle a centre line stay high up. Segments with an end point outside
// the square are not indexed. Entries keep copies of the end points: change a stroke's
// points only between removeStroke and insertStroke.
//
// Beside the segments it keeps each inserted stroke's box (its bounds and points at
// insertion, so also one-point strokes and strokes off the square), to find the strokes
// that may be in view without visiting the others.
class QuadTree {
public:
    // Diagnostics ("maxDepth: N", "couldn't find") go to `log`, which must outlive the tree.
    QuadTree(float width, float height, float minCell, std::ostream& log);
    QuadTree(float width, float height, float minCell);

    QuadTree(const QuadTree&) = delete;
    QuadTree& operator=(const QuadTree&) = delete;

    // Segments i = 0 .. pointCount - 2 of the stroke (a one-point stroke adds its point as
    // segment 0, from the point to itself) and the stroke's box.
    void insertStroke(Stroke& stroke);
    // Removes each segment of the stroke by its end points and owner, and its box; the
    // stroke must still have the points it was inserted with.
    void removeStroke(const Stroke& stroke);
    // Forgets the box of a stroke about to be deleted (nothing when it has none), so that
    // no query can return it whatever its segments' state.
    void forgetStroke(const Stroke& stroke) { boxes_.erase(stroke); }
    // Forgets every segment and box at once, leaving the tree as a new one: what removing
    // every stroke would leave, at the cost of the nodes rather than of every segment.
    void clear();
    // Hands every segment and box to a new tree of the same area and leaves this one as a
    // new one, in constant time: a whole page's index can be kept aside with its strokes
    // and put back later without inserting a segment (swapWith).
    std::unique_ptr<QuadTree> takeAll();
    // Exchanges the contents (segments, boxes) of two trees of the same area.
    void swapWith(QuadTree& other);
    // The strokes inserted and not removed since.
    std::size_t strokeCount() const { return boxes_.size(); }
    bool holds(const Stroke& stroke) const { return boxes_.contains(stroke); }
    // Memory the nodes and their entries hold (an estimate from capacities).
    std::size_t bytes() const;

    void insert(const SegmentEntry& entry);
    // Removes the first entry in the segment's node with exactly these end points and, when
    // `owner` is given, that owner. Two strokes can share a segment (a page file may hold
    // duplicates): matching the owner keeps one stroke's removal from taking the other's
    // entry and leaving a stale pointer behind. Prints "couldn't find" when there is none.
    void remove(Vec2 a, Vec2 b, const Stroke* owner = nullptr);

    // Every indexed segment that meets the closed rectangle: the root's entries first,
    // then depth first through children 3, 2, 1, 0 at every level. Tap selection keeps the
    // first of equal candidates, so this order is part of the contract. The pointers stay
    // valid until the next insertion or removal.
    std::vector<const SegmentEntry*> query(const Rect& rect) const;
    void query(const Rect& rect, std::vector<const SegmentEntry*>& out) const;
    // The distinct strokes of query(rect), in order of first appearance.
    std::vector<Stroke*> queryStrokes(const Rect& rect) const;
    // Appends each stroke inserted and not removed since whose box meets the closed
    // rectangle, once, in no particular order: a superset of the strokes whose bounds meet
    // it, provided their bounds have only shrunk since their insertion.
    void strokesWithBoxMeeting(const Rect& rect, std::vector<Stroke*>& out) const {
        boxes_.query(rect, out);
    }

    const QuadNode& root() const { return root_; }
    std::uint32_t maxDepth() const { return maxDepth_; }
    // Calls visit(node, depth) for every node, parents before children, children 0..3.
    template <class Visit>
    void forEachNode(Visit&& visit) const {
        walk(root_, 0, visit);
    }

    // The renderer draws the cells when this is set (toggled by a key).
    bool debugDraw = false;

private:
    struct Quiet {};
    // A new tree with the same area and depth, logging to the same stream, announcing nothing.
    QuadTree(const QuadTree& like, Quiet);

    template <class Visit>
    static void walk(const QuadNode& node, std::uint32_t depth, Visit& visit) {
        visit(node, depth);
        if (!node.isLeaf()) {
            for (const auto& child : node.children) walk(*child, depth + 1, visit);
        }
    }

    // The node a segment with these end points is stored at (or would be).
    QuadNode* nodeFor(Vec2 a, Vec2 b);
    void removeRun(QuadNode& node, const Stroke& owner, std::size_t first, std::size_t end);
    // Refits the node's boxes when enough entries went, and collapses emptied leaves.
    void afterRemoval(QuadNode& node, std::size_t removed);
    void split(QuadNode& node);
    static void includeInBox(QuadNode& node, const SegmentEntry& entry);
    static void addEntry(QuadNode& node, const SegmentEntry& entry);
    static void refitBoxes(QuadNode& node);

    QuadNode root_;
    StrokeBoxGrid boxes_;
    std::uint32_t maxDepth_ = 0;
    std::ostream* log_;
    std::vector<char> runMatched_;  // removeRun's scratch: which segments of the run went
};

// Quadrant 0..3 of p in a node with centre c; a point on a centre line counts as the high side.
inline int quadrantOf(Vec2 p, Vec2 c) {
    const bool highX = !(p.x - c.x < 0.0f);
    const bool highY = !(p.y - c.y < 0.0f);
    return (highX ? 1 : 0) + (highY ? 2 : 0);
}
