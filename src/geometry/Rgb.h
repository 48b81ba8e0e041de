#pragma once

#include <cstdint>

// A stroke's colour: 8-bit sRGB channels, as page files store it and screens show it.
// Opacity is not part of it; it lives in each control point. Default black.
struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;

    constexpr bool isBlack() const { return r == 0 && g == 0 && b == 0; }
    constexpr bool operator==(const Rgb&) const = default;
    // Channels as 0..1 floats, for GL colour arrays and painters.
    constexpr float redF() const { return static_cast<float>(r) / 255.0f; }
    constexpr float greenF() const { return static_cast<float>(g) / 255.0f; }
    constexpr float blueF() const { return static_cast<float>(b) / 255.0f; }
};
