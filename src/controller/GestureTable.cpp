#include "controller/GestureTable.h"

#include <algorithm>

GestureRecord* GestureTable::find(PointerKey pointer) {
    for (GestureRecord& r : records_)
        if (r.pointer == pointer) return &r;
    return nullptr;
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

GestureRecord* GestureTable::holder(GestureRecord::Target target) {
    if (target == GestureRecord::Target::Canvas) return nullptr;
    for (GestureRecord& r : records_)
        if (r.target == target) return &r;
    return nullptr;
}
