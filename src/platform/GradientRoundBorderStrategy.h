#pragma once

#include "platform/BorderStrategy.h"

// A ring on the component's inscribed circle (radius = min(width, height) / 2): the colour is
// full at that circle and fades to transparent over |borderWidth| pixels, outwards for a
// positive width and inwards for a negative one.
class GradientRoundBorderStrategy : public BorderStrategy {
public:
    void draw(const VisComponent& component) override;
};
