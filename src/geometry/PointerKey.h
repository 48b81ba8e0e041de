#pragma once

#include <cstdint>

// Who an input event comes from: the mouse, the pen (tip and eraser are one pointer) or one
// touch contact, told apart by the id the system gives it for as long as it touches. Each
// pointer has a gesture of its own, so several hands can draw at once.
struct PointerKey {
    enum class Device : std::uint8_t { Mouse, Pen, Touch };
    Device device = Device::Mouse;
    std::int64_t contact = 0;  // the system's id of a touch contact; 0 for the mouse and the pen

    static constexpr PointerKey mouse() { return {}; }
    static constexpr PointerKey pen() { return {Device::Pen, 0}; }
    static constexpr PointerKey touch(std::int64_t id) { return {Device::Touch, id}; }
    constexpr bool isTouch() const { return device == Device::Touch; }
    constexpr bool isPen() const { return device == Device::Pen; }
    constexpr bool operator==(const PointerKey&) const = default;
};
