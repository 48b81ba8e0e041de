#pragma once

#include <cstdint>
#include <iterator>
#include <memory>

#include "geometry/Stroke.h"

class StrokeList;

// One link of the drawing's stroke list. The node owns its stroke; the stroke's listNode
// points back at it while it is in the list.
struct StrokeNode {
    std::unique_ptr<Stroke> stroke;
    StrokeNode* prev = nullptr;
    std::unique_ptr<StrokeNode> next;
    const StrokeList* list = nullptr;  // the list holding the node, to reject foreign strokes
    // Grows from the oldest node to the newest, so sorting by it restores list order. Nodes
    // inserted between others (undo puts strokes back where they were) get a value between
    // their neighbours'. Read it through StrokeList::serialOf, which renumbers first when
    // insertions ran out of room.
    std::uint64_t serial = 0;
};

// The finished strokes, oldest first: the order of drawing, saving and exporting.
// A doubly linked list that owns its strokes; a stroke finds its node through
// Stroke::listNode, so removal costs O(1).
class StrokeList {
public:
    StrokeList() = default;
    StrokeList(const StrokeList&) = delete;
    StrokeList& operator=(const StrokeList&) = delete;
    ~StrokeList() { clear(); }

    // Appends at the tail and takes ownership; returns the stroke.
    Stroke& append(std::unique_ptr<Stroke> stroke);
    // Inserts before `next` (nullptr: at the tail), which must be a node of this list.
    Stroke& insertBefore(StrokeNode* next, std::unique_ptr<Stroke> stroke);
    // Unlinks the stroke and hands it back; nullptr for a stroke not in this list.
    std::unique_ptr<Stroke> take(Stroke* stroke);
    // Whether the stroke is held by this list.
    bool contains(const Stroke* stroke) const;
    // Unlinks and deletes the stroke. A stroke not in this list is ignored (returns false).
    bool remove(Stroke* stroke);
    // Deletes every stroke and node.
    void clear();

    StrokeNode* first() const { return head_.get(); }
    StrokeNode* last() const { return tail_; }
    std::uint32_t count() const { return count_; }
    // The node's serial, growing along the list.
    std::uint64_t serialOf(const StrokeNode& node) const {
        if (stale_) renumber();
        return node.serial;
    }
    bool empty() const { return count_ == 0; }

    // Forward iteration over the strokes, oldest first.
    class Iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = Stroke;
        using difference_type = std::ptrdiff_t;
        using pointer = Stroke*;
        using reference = Stroke&;

        Iterator() = default;
        explicit Iterator(StrokeNode* n) : node_(n) {}
        Stroke& operator*() const { return *node_->stroke; }
        Stroke* operator->() const { return node_->stroke.get(); }
        Iterator& operator++() {
            node_ = node_->next.get();
            return *this;
        }
        Iterator operator++(int) {
            Iterator old = *this;
            ++*this;
            return old;
        }
        bool operator==(const Iterator&) const = default;

    private:
        StrokeNode* node_ = nullptr;
    };
    Iterator begin() const { return Iterator(head_.get()); }
    Iterator end() const { return Iterator(); }

private:
    std::unique_ptr<StrokeNode> head_;
    StrokeNode* tail_ = nullptr;
    std::uint32_t count_ = 0;
    // Appended nodes' serials are this far apart, leaving room for insertions between.
    static constexpr std::uint64_t kSerialGap = std::uint64_t{1} << 16;
    // Set when an insertion found no room between its neighbours' serials: serials are then
    // given again, kSerialGap apart, at the next read. Renumbering at each such insertion
    // made undo of a clear quadratic: putting 10,000 strokes back one before the other
    // halves the same gap, which runs out every 16 insertions.
    mutable bool stale_ = false;
    void renumber() const;
};
