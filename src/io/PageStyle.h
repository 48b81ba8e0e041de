#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "io/ChangeRecord.h"

// What a page is besides its strokes: the paper it is drawn on and the teacher's material
// under the ink. Page files keep it as attributes of the <Drawing> element, written only
// when set, so that a plain page is the same file as before pages had them:
//
//   <Drawing background="material-3f2a9c01d4e5b6a7.pdf" backgroundPage="3" paper="squared">
namespace io {

// Drawn procedurally under the ink, in canvas units (the page is 900 x 900):
//   ruled:   a line every 36 units (25 lines), and a margin line 90 units from the left
//   squared: lines both ways every 30 units (30 x 30 squares)
//   dotted:  a dot every 30 units both ways
enum class Paper : std::uint8_t { Plain = 0, Ruled = 1, Squared = 2, Dotted = 3 };
inline constexpr int kPaperKinds = 4;
inline constexpr float kRuledSpacing = 36.0f;
inline constexpr float kRuledMargin = 90.0f;
inline constexpr float kSquaredSpacing = 30.0f;
inline constexpr float kDottedSpacing = 30.0f;

// "plain", "ruled", "squared", "dotted".
const char* paperName(Paper paper);
// Exactly one of the names; anything else is nullopt.
std::optional<Paper> parsePaper(std::string_view name);

struct PageStyle {
    Paper paper = Paper::Plain;
    // The material under the ink: a file in the lesson folder (a plain name, no folder),
    // empty for none. Kept as the page file names it, even when the file is missing.
    std::string background;
    // Page of a PDF background, counted from 1 as viewers count them; 0 when none is
    // named (a picture, or the first page).
    std::uint32_t backgroundPage = 0;

    bool plain() const { return *this == PageStyle{}; }
    bool operator==(const PageStyle&) const = default;
};

// The page's attributes as the page file writes them (name, value), in file order; only
// those set.
std::vector<std::pair<std::string, std::string>> styleAttributes(const PageStyle& style);
// One attribute's value as the page file writes it; "" when not set (or not a page attribute).
std::string styleAttribute(const PageStyle& style, std::string_view name);
// Sets one attribute from the page file's text. False, changing nothing, for a name that
// is not a page attribute or a value it cannot take (a paper without a name, a page
// number that is not a positive decimal number).
bool setStyleAttribute(PageStyle& style, std::string_view name, std::string_view value);

// The attributes that differ between two styles, ascending by name ("" for one not set).
std::vector<PageAttributeChange> styleChanges(const PageStyle& before, const PageStyle& after);
// `style` with the changes' after values (or before values, when `undoing`) set. nullopt
// when one of them cannot be set.
std::optional<PageStyle> withChanges(PageStyle style, const std::vector<PageAttributeChange>& changes,
                                     bool undoing = false);

// Whether a background name stays inside the lesson folder: a plain file name, no folder
// part, not "." or "..", no control character, at most 255 bytes.
bool plainFileName(std::string_view name);

}  // namespace io
