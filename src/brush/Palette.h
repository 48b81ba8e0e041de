#pragma once

#include <array>

#include "geometry/Rgb.h"

// The eight ink colours a user picks from the menu, black first.
//
// The Okabe-Ito set, which keeps its colours apart for protanopes, deuteranopes and
// tritanopes, except its yellow: at 1.3:1 against white it vanishes on a projector. In
// its place a violet, the colour at least 3:1 against white that lies farthest (CIELAB)
// from the other seven under simulated protanopia, deuteranopia and tritanopia.
inline constexpr std::array<Rgb, 8> kPalette{{
    {0x00, 0x00, 0x00},  // black
    {0x00, 0x72, 0xb2},  // blue
    {0xd5, 0x5e, 0x00},  // vermilion
    {0x00, 0x9e, 0x73},  // bluish green
    {0x8c, 0x00, 0xff},  // violet
    {0xe6, 0x9f, 0x00},  // orange
    {0x56, 0xb4, 0xe9},  // sky blue
    {0xcc, 0x79, 0xa7},  // reddish purple
}};
