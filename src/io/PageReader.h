#pragma once

#include <cstddef>
#include <optional>

#include "io/PageFile.h"

// Page text read into PageContent, with pugixml underneath: the first element of the
// document is the drawing, its element children the strokes and theirs the points,
// whatever their names, as pages have always been read.
namespace io {

// Parses the `size` bytes at `text` (up to the first NUL, if any) in place: pugixml
// writes into the buffer while parsing. nullopt when the text is not a well-formed
// document. Throws std::bad_alloc when memory runs out.
std::optional<PageContent> parsePageInPlace(char* text, std::size_t size);

}  // namespace io
