#pragma once

#include "geometry/Vec2.h"

// The fading circle shown where a still press hit nothing. Times are stopwatch seconds;
// positions screen pixels (y up).
struct TapIndicator {
    int diameter = 40;
    float life = 2.3f;
    float alpha = 0.9f;
    float start = 0.0f;
    Vec2 position;
    bool visible = false;

    void show(float x, float y, float t) {
        visible = true;
        position = {x, y};
        alpha = 0.9f;
        start = t;
    }
    void hide() {
        visible = false;
        alpha = 0.0f;
    }
    void update(float t) {
        if (!visible) return;
        if (life <= t - start)
            hide();
        else
            alpha = 1.0f - (t - start) / life;
    }
    bool hit(float x, float y) const {
        return visible && distance({x, y}, position) <= diameter * 0.5f;
    }
};
