#include "brush/BrushDynamics.h"

#include <algorithm>
#include <cmath>
#include <iostream>

BrushDynamics::BrushDynamics() : trace_(&std::cout) {}

void BrushDynamics::reset(float x, float y) {
    if (!std::isfinite(x) || !std::isfinite(y)) return;
    cursor = Vec2(x, y);
    follower = Vec2(x, y);
}

void BrushDynamics::setCursor(float x, float y) { cursor = Vec2(x, y); }

void BrushDynamics::step(float x, float y) {
    if (!std::isfinite(x) || !std::isfinite(y)) return;
    // Explicit spring-mass-damper with unit time step.
    velocity.x = velocity.x + (-stiffness * (follower.x - x)) / mass;
    velocity.y = velocity.y + (-stiffness * (follower.y - y)) / mass;
    velocity.x = velocity.x * damping;
    velocity.y = velocity.y * damping;
    follower.x = follower.x + velocity.x;
    follower.y = follower.y + velocity.y;
}

float BrushDynamics::speedFactor() const {
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

BrushSample BrushDynamics::sample(float x, float y, float pressure) {
    step(x, y);
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
        s.radius = speedFactor() * size;
    } else if (speedMode == kOpacity) {
        s.opacity = std::min(speedFactor(), 1.0f);
    }
    return s;
}
