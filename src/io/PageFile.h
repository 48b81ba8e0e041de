#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/ControlPoint.h"

// The page file format: <Drawing> holding one element per stroke, each holding one
// element per control point with the attributes x, y, r, a (canvas units, opacity 0..1).
namespace io {

// Control points of each stroke element, in document order. Elements without points are
// skipped. Missing, non-numeric or non-finite attributes read as 0.
struct PageContent {
    std::vector<std::vector<ControlPoint>> strokes;
};

// Parses page text. nullopt when the text is not a well-formed document (or is too large
// or too deeply nested to be a page); the caller reports that.
std::optional<PageContent> parsePage(std::string_view text);

// Reads and parses a file; nullopt when it cannot be read or parsed.
std::optional<PageContent> readPageFile(const std::string& path);

// The page text for these strokes, byte for byte as the format lays it out.
std::string formatPage(std::span<const std::span<const ControlPoint>> strokes);

// Writes the page with a safe replace: the old file survives any failure.
// Returns false (after printing a one-line diagnostic naming the file) on failure.
bool writePageFile(const std::string& path, std::span<const std::span<const ControlPoint>> strokes);

}  // namespace io
