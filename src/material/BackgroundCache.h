#pragma once

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <string>

#include "material/BackgroundSource.h"

// A part of the page square in canvas units (y up): minX, minY, maxX, maxY. All zero: the
// whole page.
using PageRegion = std::array<int, 4>;

// One render: a material file's page fitted in a square of `box` pixels, or the part of
// that picture within `region`.
struct BackgroundKey {
    std::string file;
    std::uint32_t page = 0;
    int box = 0;
    PageRegion region{};
    bool whole() const { return region == PageRegion{}; }
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
    // The largest render of the whole page at any size, or null; counts as a use.
    Entry largest(const std::string& file, std::uint32_t page);
    // The render of a part of the page used last, or null; counts as a use.
    Entry latestPart(const std::string& file, std::uint32_t page);
    std::size_t bytes() const { return bytes_; }
    std::size_t budget() const { return budget_; }

private:
    std::size_t budget_;
    std::size_t bytes_ = 0;
    // Most recently used first.
    std::list<std::pair<BackgroundKey, Entry>> entries_;
};
