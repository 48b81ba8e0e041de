#pragma once

// Float tolerances shared by the tests, each with the reason for its size.
namespace tol {

// One or two float roundings on values of order 1..1000: a few ulps at 1000 is ~1e-4.
inline constexpr float kUlpish = 1e-4f;

// Geometry built from chains of float operations (splines, rotations by cos/sin of
// single-precision angles) on canvas values up to ~1000 drifts by about 1e-3.
inline constexpr float kGeometry = 1e-3f;

// Values written with six decimals ("%f") come back rounded to half a millionth.
inline constexpr double kSixDecimals = 5e-7;

// Rendering: anti-aliasing and multisampling blur an edge by about a pixel.
inline constexpr int kEdgePixels = 2;

}  // namespace tol
