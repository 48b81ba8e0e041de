#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <string>

#include "material/BackgroundSource.h"

// One render: a material file's page fitted in a square of `box` pixels.
struct BackgroundKey {
    std::string file;
    std::uint32_t page = 0;
    int box = 0;
    auto operator<=>(const BackgroundKey&) const = default;
};

// Recent renders within a memory budget (their pixels' bytes): the least recently used go
// first, never the one just put. Not thread-safe.
class BackgroundCache {
public:
    using Entry = std::shared_ptr<const BackgroundImage>;

    explicit BackgroundCache(std::size_t budgetBytes) : budget_(budgetBytes) {}

    void put(const BackgroundKey& key, Entry entry);
    // The render for exactly `key`, or null; a hit counts as a use.
    Entry get(const BackgroundKey& key);
    // The largest render of the page at any size, or null; counts as a use.
    Entry largest(const std::string& file, std::uint32_t page);
    std::size_t bytes() const { return bytes_; }
    std::size_t budget() const { return budget_; }

private:
    std::size_t budget_;
    std::size_t bytes_ = 0;
    // Most recently used first.
    std::list<std::pair<BackgroundKey, Entry>> entries_;
};
