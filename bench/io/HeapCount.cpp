#include "HeapCount.h"

#include <malloc.h>

#include <cstdlib>
#include <new>
#include <pugixml.hpp>

namespace {

bool counting = false;
long long inUse = 0;
long long peak = 0;

void* allocate(std::size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (p && counting) {
        inUse += static_cast<long long>(malloc_usable_size(p));
        if (inUse > peak) peak = inUse;
    }
    return p;
}

void release(void* p) {
    if (p && counting) inUse -= static_cast<long long>(malloc_usable_size(p));
    std::free(p);
}

}  // namespace

void* operator new(std::size_t size) {
    if (void* p = allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    if (void* p = allocate(size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, std::size_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t) noexcept { release(p); }

namespace heapcount {

Window::Window() {
    counting = true;
    inUse = 0;
    peak = 0;
    pugi::set_memory_management_functions(allocate, release);
}

Window::~Window() {
    pugi::set_memory_management_functions(std::malloc, std::free);
    counting = false;
}

std::size_t Window::peakBytes() const { return static_cast<std::size_t>(peak); }

std::size_t Window::inUseBytes() const { return static_cast<std::size_t>(inUse); }

}  // namespace heapcount
