#pragma once

#include <cstddef>

// Heap bytes in use, counted while a window is open: everything allocated through
// operator new, and pugixml's pages and buffers. Only what is both allocated and freed
// inside the window is counted right, so measure work that starts from nothing.
// Single-threaded, like the benchmarks.
namespace heapcount {

class Window {
public:
    Window();
    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // The most bytes in use at once since the window opened, above what was in use then.
    std::size_t peakBytes() const;
    // Bytes in use now, above what was in use when the window opened.
    std::size_t inUseBytes() const;
};

}  // namespace heapcount
