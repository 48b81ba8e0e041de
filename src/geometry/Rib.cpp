#include "geometry/Rib.h"

void insertRib(RibList& list, Rib rib) {
    const auto index = static_cast<std::int32_t>(list.size());
    if (list.empty()) {
        list.push_back(std::move(rib));
        return;
    }
    // Descend along the first child (in insertion order) whose t is smaller than the new
    // rib's; the new rib hangs under the node where no child qualifies.
    std::size_t node = 0;
    for (;;) {
        const Rib& current = list[node];
        std::size_t next = node;
        for (std::int32_t child : current.children) {
            if (list[static_cast<std::size_t>(child)].t < rib.t) {
                next = static_cast<std::size_t>(child);
                break;
            }
        }
        if (next == node) break;
        node = next;
    }
    list[node].children.push_back(index);
    rib.p = static_cast<std::uint32_t>(node);
    list.push_back(std::move(rib));
}

void selectRibs(const RibList& list, float zoom, std::vector<const Rib*>& out) {
    std::vector<RibCursor> stack;
    stack.reserve(64);
    forEachSelectedRib(list, zoom, stack, [&out](const Rib& rib) { out.push_back(&rib); });
}
