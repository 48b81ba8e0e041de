#pragma once

#include <cstdint>

#include "geometry/Vec2.h"

// Square image quads centred on c with half-side h, in the current model-view units (y up),
// tinted by the current colour. They bind the texture; enabling GL_TEXTURE_2D is the
// caller's. Images are uploaded as stored, so their first row is t = 0.

// t = 0 along the top edge: the image stands upright (buttons, toggles, icons).
void uprightImageQuad(std::uint32_t texture, Vec2 c, float h);

// t = 0 along the bottom edge, as one triangle strip (the menu's centre disc, the selection
// handles): for images that read the same either way up.
void stripImageQuad(std::uint32_t texture, Vec2 c, float h);
