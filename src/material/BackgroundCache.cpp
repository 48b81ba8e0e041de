#include "material/BackgroundCache.h"

#include <algorithm>

namespace {
std::size_t sizeOf(const BackgroundCache::Entry& e) {
    return e ? static_cast<std::size_t>(e->image.sizeInBytes()) : 0;
}
}  // namespace

void BackgroundCache::put(const BackgroundKey& key, Entry entry) {
    const auto same = std::find_if(entries_.begin(), entries_.end(),
                                   [&](const auto& e) { return e.first == key; });
    if (same != entries_.end()) {
        bytes_ -= sizeOf(same->second);
        entries_.erase(same);
    }
    bytes_ += sizeOf(entry);
    entries_.emplace_front(key, std::move(entry));
    while (bytes_ > budget_ && entries_.size() > 1) {
        bytes_ -= sizeOf(entries_.back().second);
        entries_.pop_back();
    }
}

BackgroundCache::Entry BackgroundCache::get(const BackgroundKey& key) {
    const auto it = std::find_if(entries_.begin(), entries_.end(),
                                 [&](const auto& e) { return e.first == key; });
    if (it == entries_.end()) return nullptr;
    entries_.splice(entries_.begin(), entries_, it);
    return entries_.front().second;
}

BackgroundCache::Entry BackgroundCache::largest(const std::string& file, std::uint32_t page) {
    auto best = entries_.end();
    for (auto it = entries_.begin(); it != entries_.end(); ++it)
        if (it->first.file == file && it->first.page == page && it->first.whole() &&
            (best == entries_.end() || it->first.box > best->first.box))
            best = it;
    if (best == entries_.end()) return nullptr;
    entries_.splice(entries_.begin(), entries_, best);
    return entries_.front().second;
}

BackgroundCache::Entry BackgroundCache::latestPart(const std::string& file, std::uint32_t page) {
    const auto it = std::find_if(entries_.begin(), entries_.end(), [&](const auto& e) {
        return e.first.file == file && e.first.page == page && !e.first.whole();
    });
    if (it == entries_.end()) return nullptr;
    entries_.splice(entries_.begin(), entries_, it);
    return entries_.front().second;
}
