#pragma once

#include <array>
#include <cstdint>

#include "geometry/Vec2.h"

class CanvasController;

// The circular tool menu: four ring buttons around a centre disc, plus per-mode sliders and
// toggles. Screen pixels, y up. Rays point left and are turned counter-clockwise by the
// angles of their group, accumulating within the group.
class RadialMenu {
public:
    RadialMenu(float x, float y, float size, float innerRadius, CanvasController* owner);

    // 0 centre or ring button (a button also selects itself on the owner at once),
    // 1..6 an engaged slider or toggle, -1 nothing.
    int hitTest(Vec2 p);
    // Centre of ring button i (0..3) for the current position.
    Vec2 buttonCentre(int i) const;

    void moveTo(float x, float y) { position = {x, y}; }
    void restoreHome() { position = home; }

    Vec2 position;
    Vec2 home;
    float size;
    float innerRadius;
    int hitState = 0;
    std::array<float, 4> buttonAngles{0.0f, -45.0f, 105.0f, 60.0f};
    std::array<float, 2> drawSliderAngles{-85.0f, -30.0f};
    std::array<float, 2> editSliderAngles{-85.0f, -30.0f};
    std::array<float, 2> toggleAngles{-150.0f, -35.0f};

private:
    int secondStage(Vec2 p);

    CanvasController* owner_;
};
