#include "document/StrokeList.h"

Stroke& StrokeList::append(std::unique_ptr<Stroke> stroke) {
    return insertBefore(nullptr, std::move(stroke));
}

Stroke& StrokeList::insertBefore(StrokeNode* next, std::unique_ptr<Stroke> stroke) {
    auto node = std::make_unique<StrokeNode>();
    node->stroke = std::move(stroke);
    node->list = this;
    node->stroke->listNode = node.get();
    StrokeNode* raw = node.get();
    node->prev = next != nullptr ? next->prev : tail_;
    if (stale_) {
        // numbered with the others at the next read
    } else if (next != nullptr) {
        const std::uint64_t low = node->prev != nullptr ? node->prev->serial : 0;
        if (next->serial - low < 2) {
            stale_ = true;
        } else {
            node->serial = low + (next->serial - low) / 2;
        }
    } else {
        node->serial = (tail_ != nullptr ? tail_->serial : 0) + kSerialGap;
    }
    std::unique_ptr<StrokeNode>& owner = node->prev != nullptr ? node->prev->next : head_;
    node->next = std::move(owner);
    if (next != nullptr) {
        next->prev = raw;
    } else {
        tail_ = raw;
    }
    owner = std::move(node);
    ++count_;
    return *raw->stroke;
}

bool StrokeList::contains(const Stroke* stroke) const {
    return stroke != nullptr && stroke->listNode != nullptr && stroke->listNode->list == this &&
           stroke->listNode->stroke.get() == stroke;
}

bool StrokeList::remove(Stroke* stroke) { return take(stroke) != nullptr; }

std::unique_ptr<Stroke> StrokeList::take(Stroke* stroke) {
    if (!contains(stroke)) return nullptr;
    StrokeNode* node = stroke->listNode;
    std::unique_ptr<StrokeNode>& owner = node->prev != nullptr ? node->prev->next : head_;
    if (node->next != nullptr) {
        node->next->prev = node->prev;
    } else {
        tail_ = node->prev;
    }
    std::unique_ptr<StrokeNode> dead = std::move(owner);
    owner = std::move(dead->next);
    dead->stroke->listNode = nullptr;
    --count_;
    return std::move(dead->stroke);
}

// Iterative, so that a long list does not unwind recursively through the next pointers.
void StrokeList::clear() {
    while (head_ != nullptr) {
        std::unique_ptr<StrokeNode> node = std::move(head_);
        head_ = std::move(node->next);
        node->stroke->listNode = nullptr;
    }
    tail_ = nullptr;
    count_ = 0;
    stale_ = false;
}

void StrokeList::renumber() const {
    stale_ = false;
    std::uint64_t serial = 0;
    for (StrokeNode* n = head_.get(); n != nullptr; n = n->next.get()) n->serial = serial += kSerialGap;
}
