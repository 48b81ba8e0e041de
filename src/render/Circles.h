#pragma once

// Circle primitives shared by the canvas overlays and the menu. All use 40 steps of
// 2*pi/39 radians (single precision), so the last step covers the first again.
// Positions and radii are in the current model-view units.
namespace circles {

struct Colour {
    float r, g, b, a;
};

void filledDisc(float cx, float cy, float radius, Colour c);
void outline(float cx, float cy, float radius, Colour c);
// The part `fraction` (0..1) of the ring between the two radii, from the top clockwise.
void ringArc(float cx, float cy, float inner, float outer, float fraction, Colour c);
// Fades from alpha 0.5 at radius*(1 - softness)*scale to 0 at radius*scale.
void softDisc(float cx, float cy, float radius, float softness, float r, float g, float b,
              float scale);

}  // namespace circles
