#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "io/SvgFile.h"

class Drawing;

inline std::string pngFileName(int page) { return std::to_string(page) + ".png"; }
inline constexpr const char* kLessonPdfFileName = "pages.pdf";

// The lesson's hand-outs, drawn by the windowing layer's toolkit; the controller decides
// what goes in and writes the files.
class LessonExporter {
public:
    // Fills `strokes` with the next page's and returns true, or returns false after the
    // last page. Pages come one at a time so that a long lesson is never all in memory.
    using NextPage = std::function<bool(std::vector<io::SvgStrokeOutline>& strokes)>;

    virtual ~LessonExporter() = default;
    // A PDF of the pages `nextPage` gives, in order: each 900 x 900 points showing the
    // canvas square upright (canvas y up), every quadrilateral of forEachOutlineQuad filled
    // in its stroke's colour with its opacity. nullopt when the toolkit could not make it.
    virtual std::optional<std::string> pdf(const NextPage& nextPage) = 0;
    // A PNG of the drawing's page at twice its size (1800 x 1800 pixels), as the frame
    // shows it at zoom 2 on white; nullopt when it could not be rendered.
    virtual std::optional<std::string> pagePng(const Drawing& drawing) = 0;
};

namespace lesson {

// Writes "pages.pdf" (safe replace) of the page files 0.xml, 1.xml, ... up to the first
// missing number after `currentPage`, with page `currentPage` taken from the drawing as it
// is (unsaved strokes included, the current zoom's level of detail). Missing numbers
// before the current page, and page files that cannot be read, are left out with a line
// naming them. False (after a line saying why) when the file could not be written.
bool exportPdf(const Drawing& drawing, int currentPage, LessonExporter& exporter);

// Writes "N.png" (safe replace) of the drawing as page N. False (after a line) on failure.
bool exportPng(const Drawing& drawing, int currentPage, LessonExporter& exporter);

}  // namespace lesson
