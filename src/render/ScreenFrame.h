#pragma once

#include <cstdint>

// Texture names of the corner-zone images (0 draws an untextured quad).
struct ScreenFrameTextures {
    std::uint32_t cornerCircle = 0;
    std::uint32_t smallBig = 0;
};

// Where the frame's octagon and corner images lie for a margin m and corner radius R.
struct ScreenFrameGeometry {
    float diagonal;     // a = R / sqrt(2): offset of a corner circle's 45-degree point
    float chamfer;      // k = 2a - m: where the 45-degree tangent meets the margin lines
    float outerCircle;  // half-size of the large corner image, 1.03 R
    float innerCircle;  // half-size of the small corner image, 0.3 of the large one
};
ScreenFrameGeometry screenFrameGeometry(float margin, float cornerRadius);

// Draws the gesture zones around the screen edge in screen pixels (y up, origin lower
// left): the translucent band between the screen border and an octagon inset by `margin`
// with corners cut by the tangents of the corner circles, its inner shadow and outline, the
// corner-circle images, the zoom hints at the lower-right corner and the corner rays.
// Expects the pixel projection and an identity model-view; restores the line width, 2-D
// texturing and the bound texture. Leaves the current colour at the outline colour.
void renderScreenFrame(float width, float height, float margin, float cornerRadius,
                       const ScreenFrameTextures& textures);
