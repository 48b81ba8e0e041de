#include "document/StrokeList.h"

Stroke& StrokeList::append(std::unique_ptr<Stroke> stroke) {
    auto node = std::make_unique<StrokeNode>();
    node->stroke = std::move(stroke);
    node->prev = tail_;
    node->list = this;
    node->serial = nextSerial_++;
    node->stroke->listNode = node.get();
    StrokeNode* raw = node.get();
    if (tail_ != nullptr) {
        tail_->next = std::move(node);
    } else {
        head_ = std::move(node);
    }
    tail_ = raw;
    ++count_;
    return *raw->stroke;
}

bool StrokeList::contains(const Stroke* stroke) const {
    return stroke != nullptr && stroke->listNode != nullptr && stroke->listNode->list == this &&
           stroke->listNode->stroke.get() == stroke;
}

bool StrokeList::remove(Stroke* stroke) {
    if (!contains(stroke)) return false;
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
    return true;
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
}
