#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/ControlPoint.h"
#include "geometry/Rgb.h"
#include "io/PageStyle.h"

// The page file format: <Drawing> holding one element per stroke, each holding one
// element per control point with the attributes x, y, r, a (canvas units, opacity 0..1).
// A stroke that is not black carries color="#rrggbb"; a black one has no attribute, so
// black pages keep the bytes they had before strokes had colours. The drawing element
// carries the page's paper and background (PageStyle.h) only when they are set.
namespace io {

// Control points of each stroke element, in document order. Elements without points are
// skipped. Missing, non-numeric or non-finite attributes read as 0.
// colours[i] is the colour of strokes[i] (the two always have the same length); a colour
// attribute that is not '#' and six hexadecimal digits reads as black.
struct PageContent {
    std::vector<std::vector<ControlPoint>> strokes;
    std::vector<Rgb> colours;
    // Attributes of the drawing element; one whose value cannot be read is left unset.
    PageStyle style = {};

    bool operator==(const PageContent&) const = default;
};

// Parses page text, which ends at its first NUL byte if it has one. nullopt when the text
// is not a well-formed document; the caller reports that.
std::optional<PageContent> parsePage(std::string_view text);

// Larger page files are not read, so that a wrong or damaged file cannot take all the
// memory there is. Loading needs about 4.5 bytes of memory per byte of file at its peak
// (the text, parsed in place, and the parser's nodes), about 4.8 GB at this limit; such
// a page holds some 14 million control points, whose strokes keep about 4 GB once loaded.
constexpr std::uint64_t kMaxPageFileBytes = std::uint64_t{1} << 30;

// Reads and parses a file; nullopt when it cannot be read or parsed. A file over
// kMaxPageFileBytes, or one that needs more memory than there is, is refused before it is
// parsed, with one line naming the file and the reason on standard output.
std::optional<PageContent> readPageFile(const std::string& path);

// The page text for these strokes, byte for byte as the format lays it out. colours[i] is
// the colour of strokes[i]; strokes past the end of `colours` are black.
std::string formatPage(std::span<const std::span<const ControlPoint>> strokes,
                       std::span<const Rgb> colours = {}, const PageStyle& style = {});

// Bytes formatPage writes for one stroke: its element and the line break before it. A page
// with strokes is formatPage({}, {}, style) plus kPageTextFrame plus its strokes' bytes, so
// a page's size can be kept up to date stroke by stroke.
std::size_t strokeTextBytes(std::span<const ControlPoint> points, Rgb colour);
// What the drawing element's closing tag adds once the page has a stroke.
inline constexpr std::size_t kPageTextFrame = 9;

// Writes the page with a safe replace: the old file survives any failure.
// Returns false (after printing a one-line diagnostic naming the file) on failure.
bool writePageFile(const std::string& path, std::span<const std::span<const ControlPoint>> strokes,
                   std::span<const Rgb> colours = {}, const PageStyle& style = {});

}  // namespace io
