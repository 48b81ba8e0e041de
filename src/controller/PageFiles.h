#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class Drawing;

// Page files live in the working directory, named by the page number in decimal.
inline std::string pageFileName(int page) { return std::to_string(page) + ".xml"; }
inline std::string svgFileName(int page) { return std::to_string(page) + ".svg"; }
inline std::string commandLogFileName(std::uint32_t startStamp) {
    return std::to_string(startStamp) + ".log";
}

// Saving pages without ever destroying what a user drew. Diagnostics are one line each on
// standard output.
namespace pages {

// Saves the drawing's page text `text` (Drawing::pageText) as the page. A page file that
// failed to load (damaged, or too large to load) showed as an empty drawing; before it is
// saved over, a copy is kept as "N.xml.unreadable" (or "N.xml.unreadable.2", ".3", ... when
// that name is taken: every earlier rescue is kept), and the file itself stays until the new
// page replaces it whole. False when either step failed (the drawing is untouched).
bool save(Drawing& drawing, int page, std::string_view text);

// At the end of a run: a drawing with strokes other than its page file's (compared as
// strokes, not as bytes) is written beside it as "N.xml.unsaved", numbered like the
// unreadable copies; the page stays as the user last saved it. False when that write failed.
bool keepUnsaved(const Drawing& drawing, int page);

}  // namespace pages
