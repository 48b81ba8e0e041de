#include "brush/BrushDynamics.h"

#include <algorithm>
#include <cmath>
#include <iostream>

BrushDynamics::BrushDynamics() : trace_(&std::cout) {}

void BrushDynamics::reset(BrushFollower& f, float x, float y) const {
    if (!std::isfinite(x) || !std::isfinite(y)) return;
    f.cursor = Vec2(x, y);
    f.follower = Vec2(x, y);
}

void BrushDynamics::step(BrushFollower& f, float x, float y) const {
    if (!std::isfinite(x) || !std::isfinite(y)) return;
    // Explicit spring-mass-damper with unit time step.
    Vec2& v = f.velocity;
    v.x = v.x + (-stiffness * (f.follower.x - x)) / mass;
    v.y = v.y + (-stiffness * (f.follower.y - y)) / mass;
    v.x = v.x * damping;
    v.y = v.y * damping;
    f.follower.x = f.follower.x + v.x;
    f.follower.y = f.follower.y + v.y;
}

float BrushDynamics::speedFactor(const BrushFollower& f) const {
    const Vec2 velocity = f.velocity;
    const float vh = std::sqrt(velocity.x * velocity.x + velocity.y * velocity.y);
    const float th = maxTh - std::min(maxTh, vh * ductus);
    const float vhPerc = vh * ductus / speedRange;
    const float perc = 1.0f - std::min(vhPerc, 1.0f);
    if (trace_ != nullptr) {
        *trace_ << "th: " << th << " max_th: " << maxTh << " vh: " << vh
                << " vh*ductus: " << vh * ductus << " vhPerc: " << vhPerc << " perc: " << perc
                << "\n";
    }
    return std::max(perc, 0.01f);
}

BrushSample BrushDynamics::sample(BrushFollower& f, float x, float y, float pressure) const {
    step(f, x, y);
    if (!std::isfinite(pressure)) pressure = 1.0f;
    if (pressure < 0.0f) pressure = 0.0f;

    BrushSample s;
    s.radius = size;
    s.opacity = 1.0f;
    s.colour = colour;
    if (pressureMode == kRadius) {
        s.radius = size * pressure;
    } else if (pressureMode == kOpacity) {
        s.opacity = pressure > 1.0f ? 1.0f : pressure;
    }
    // Speed is applied after pressure: when both drive the same quantity, speed wins.
    if (speedMode == kRadius) {
        s.radius = speedFactor(f) * size;
    } else if (speedMode == kOpacity) {
        s.opacity = std::min(speedFactor(f), 1.0f);
    }
    return s;
}
