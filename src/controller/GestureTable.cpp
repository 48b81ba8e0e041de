#include "controller/GestureTable.h"

#include <algorithm>
#include <utility>

const GestureRecord* GestureTable::find(PointerKey pointer) const {
    for (const GestureRecord& r : records_)
        if (r.pointer == pointer) return &r;
    return nullptr;
}

GestureRecord* GestureTable::find(PointerKey pointer) {
    return const_cast<GestureRecord*>(std::as_const(*this).find(pointer));
}

GestureRecord* GestureTable::open(PointerKey pointer) {
    if (find(pointer)) return nullptr;
    if (pointer.isTouch()) {
        const auto contacts =
            std::count_if(records_.begin(), records_.end(),
                          [](const GestureRecord& r) { return r.pointer.isTouch(); });
        if (static_cast<std::size_t>(contacts) >= kMaxContacts) return nullptr;
    }
    GestureRecord& r = records_.emplace_back();
    r.pointer = pointer;
    return &r;
}

void GestureTable::close(PointerKey pointer) {
    std::erase_if(records_, [pointer](const GestureRecord& r) { return r.pointer == pointer; });
}

const GestureRecord* GestureTable::holder(GestureRecord::Target target) const {
    if (target == GestureRecord::Target::Canvas) return nullptr;
    for (const GestureRecord& r : records_)
        if (r.target == target) return &r;
    return nullptr;
}

GestureRecord* GestureTable::holder(GestureRecord::Target target) {
    return const_cast<GestureRecord*>(std::as_const(*this).holder(target));
}
