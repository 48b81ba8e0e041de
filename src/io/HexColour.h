#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "geometry/Rgb.h"

// Colours as page files write them: '#' and six hexadecimal digits, red, green, blue.
namespace io {

// "#1f77b4": lower-case digits.
std::string formatHexColour(Rgb colour);

// Exactly '#' and six digits of either case; anything else (spaces, three digits, a
// name) is nullopt.
std::optional<Rgb> parseHexColour(std::string_view text);

}  // namespace io
