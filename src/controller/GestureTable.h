#pragma once

#include <cstddef>
#include <vector>

#include "controller/GestureRecord.h"

// The gestures in progress, one per pointer, in the order they were pressed (the first is
// the primary pointer's). Touch contacts beyond kMaxContacts are turned away; the mouse and
// the pen always have room. Records stay where they are until one is closed.
class GestureTable {
public:
    static constexpr std::size_t kMaxContacts = 32;

    GestureTable() { records_.reserve(kMaxContacts + 2); }

    GestureRecord* find(PointerKey pointer);
    const GestureRecord* find(PointerKey pointer) const;
    // A fresh record for the pointer, or null when it has one already or, for a touch
    // contact, when kMaxContacts contacts are down.
    GestureRecord* open(PointerKey pointer);
    void close(PointerKey pointer);
    // The record holding a shared control (any target but the canvas), or null.
    GestureRecord* holder(GestureRecord::Target target);
    const GestureRecord* holder(GestureRecord::Target target) const;

    bool empty() const { return records_.empty(); }
    std::size_t size() const { return records_.size(); }
    auto begin() { return records_.begin(); }
    auto end() { return records_.end(); }
    auto begin() const { return records_.begin(); }
    auto end() const { return records_.end(); }

private:
    std::vector<GestureRecord> records_;
};
