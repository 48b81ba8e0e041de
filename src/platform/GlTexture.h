#pragma once

#include <cstdint>

// Creates a 2-D texture with linear filtering and clamped edges from tightly packed pixel
// rows (the first row becomes t = 0). Needs a current GL context; leaves the texture
// binding and the unpack alignment as it found them. Returns the texture name.
std::uint32_t createLinearTexture(int internalFormat, int width, int height, unsigned format,
                                  const void* pixels);
