#pragma once

#include <cstdint>

#include "geometry/PointerKey.h"

class VisComponent;

// One input event in screen coordinates (pixels, origin at the lower left, y up).
// Created per input and deleted right after routing.
class SurfaceEvent {
public:
    SurfaceEvent(std::uint32_t type, std::uint32_t source, double x, double y, double z,
                 VisComponent* target, std::uint32_t last)
        : type_(type), source_(source), x_(x), y_(y), z_(z), target_(target), last_(last) {}
    virtual ~SurfaceEvent() = default;

    std::uint32_t getType() const { return type_; }
    std::uint32_t getSource() const { return source_; }  // 0 mouse or contact, 1 tablet
    double getX() const { return x_; }
    double getY() const { return y_; }
    double getZ() const { return z_; }
    VisComponent* getTarget() const { return target_; }
    // The mouse, the pen or the touch contact the event comes from (the mouse unless set).
    PointerKey getPointer() const { return pointer_; }
    void setPointer(PointerKey pointer) { pointer_ = pointer; }

private:
    std::uint32_t type_;
    std::uint32_t source_;
    double x_, y_, z_;
    VisComponent* target_;
    std::uint32_t last_;
    PointerKey pointer_;
};
