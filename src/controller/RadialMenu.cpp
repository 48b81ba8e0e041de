#include "controller/RadialMenu.h"

#include <algorithm>

#include "brush/Palette.h"

RadialMenu::RadialMenu(float x, float y, float size_, float innerRadius_)
    : position(x, y), home(x, y), size(size_), innerRadius(innerRadius_) {}

Vec2 RadialMenu::homeFor(float bandWidth) const {
    // The ring buttons reach innerRadius + size from the centre (sliders and toggles less).
    // This far from the lower left corner on both axes, the menu stays clear of the border
    // band and the corner zones in every window from 800 x 600 up, and of the page-flip
    // triangles at the start view (the page's lower left corner at (50, 50), zoom 1).
    const float at = bandWidth + innerRadius + size + homeClearance;
    return {at, at};
}

Vec2 RadialMenu::buttonCentre(int i) const {
    Vec2 ray(-(innerRadius + size * 0.5f), 0.0f);
    for (int k = 0; k <= i; ++k) rotate(ray, buttonAngles[k] * kDegToRad);
    return position + ray;
}

Vec2 RadialMenu::colourButtonCentre() const {
    Vec2 ray(-(innerRadius + size * 0.5f), 0.0f);
    rotate(ray, colourButtonAngle * kDegToRad);
    return position + ray;
}

Vec2 RadialMenu::holdViewCentre() const {
    Vec2 ray(-(innerRadius + size * 0.5f + holdViewRingGap), 0.0f);
    rotate(ray, holdViewAngle * kDegToRad);
    return position + ray;
}

Vec2 RadialMenu::paletteDiscCentre(int i) const {
    const Vec2 button = colourButtonCentre();
    Vec2 ray = normalized(button - position) * paletteRadius;
    rotate(ray, static_cast<float>(i) * (360.0f / static_cast<float>(kPalette.size())) * kDegToRad);
    return button + ray;
}

float RadialMenu::paletteBackdropRadius() const { return paletteRadius + paletteDiscRadius + 6.0f; }

float RadialMenu::reach() const {
    const float ring = innerRadius + size;
    const float palette = distance(colourButtonCentre(), position) + paletteBackdropRadius();
    const float papers = distance(paperButtonCentre(), position) + paperBackdropRadius();
    const float hold = distance(holdViewCentre(), position) + historyButtonRadius();
    return std::max({ring, palette, papers, hold});
}

Vec2 RadialMenu::paperChoiceCentre(int i) const {
    const Vec2 button = paperButtonCentre();
    Vec2 ray(0.0f, paperChoiceRadius);
    rotate(ray, static_cast<float>(i) * (360.0f / kPaperChoices) * kDegToRad);
    return button + ray;
}

bool RadialMenu::papersHit(Vec2 p, int& paper) const {
    for (int i = 0; i < kPaperChoices; ++i) {
        if (distance(p, paperChoiceCentre(i)) < discButtonRadius) {
            paper = i;
            return true;
        }
    }
    return distance(p, paperButtonCentre()) < paperBackdropRadius();
}

bool RadialMenu::paletteHit(Vec2 p, int& colour) const {
    for (int i = 0; i < static_cast<int>(kPalette.size()); ++i) {
        if (distance(p, paletteDiscCentre(i)) < paletteDiscRadius) {
            colour = i;
            return true;
        }
    }
    return distance(p, colourButtonCentre()) < paletteBackdropRadius();
}

Vec2 RadialMenu::historyButtonCentre(int i) const {
    Vec2 ray(-(innerRadius + size * 0.5f + historyRingGap), 0.0f);
    for (int k = 0; k <= i; ++k) rotate(ray, historyAngles[k] * kDegToRad);
    return position + ray;
}

RadialMenu::Hit RadialMenu::press(Vec2 p, int mode) {
    const Hit f = at(p, mode);
    // Any press closes an open palette or chooser; only one on its button opens it.
    paletteOpen = f.opensPalette;
    papersOpen = f.opensPapers;
    if (f.item > 0) hitState = f.item;
    pressedButton = f.button;
    return f;
}

RadialMenu::Hit RadialMenu::at(Vec2 p, int mode) const {
    Hit f;
    f.item = 0;
    if (paletteOpen && paletteHit(p, f.colour)) return f;
    if (papersOpen && papersHit(p, f.paper)) return f;
    if (distance(p, paperButtonCentre()) < discButtonRadius) {
        f.opensPapers = true;
        return f;
    }
    if (distance(p, openButtonCentre()) < discButtonRadius) {
        f.button = kOpenButton;
        return f;
    }
    if (distance(p, position) < innerRadius) return f;
    for (int i = 0; i < 4; ++i) {
        if (distance(p, buttonCentre(i)) < size * 0.5f) {
            f.button = i;
            return f;
        }
    }
    if (distance(p, colourButtonCentre()) < colourButtonRadius) {
        f.opensPalette = true;
        return f;
    }
    for (int i = 0; i < 2; ++i) {
        if (distance(p, historyButtonCentre(i)) < historyButtonRadius()) {
            f.button = i == 0 ? kUndoButton : kRedoButton;
            return f;
        }
    }
    if (distance(p, holdViewCentre()) < historyButtonRadius()) {
        f.button = kHoldViewButton;
        return f;
    }
    f.item = secondStage(p, mode);
    return f;
}

int RadialMenu::secondStage(Vec2 p, int mode) const {
    Vec2 ray(-1.0f, 0.0f);
    const auto& sliderAngles = mode == 0 ? drawSliderAngles : editSliderAngles;
    for (int k = 0; k < 2; ++k) {
        rotate(ray, sliderAngles[k] * kDegToRad);
        const Vec2 c = position + ray * (innerRadius + 0.52f * size);
        if (distance(p, c) < 0.29f * size) {
            return (mode == 0 ? 1 : 3) + k;
        }
    }
    if (mode != 0) return -1;
    ray = Vec2(-1.0f, 0.0f);
    for (int k = 0; k < 2; ++k) {
        rotate(ray, toggleAngles[k] * kDegToRad);
        const Vec2 c = position + ray * (innerRadius + 0.4f * size);
        if (distance(p, c) < 0.4f * size) {
            return 5 + k;
        }
    }
    return -1;
}
