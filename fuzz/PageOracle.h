#pragma once

// The checks the fuzz targets make on one input besides "no crash, no sanitizer report,
// no hang": a loaded page saves and loads again to the same text, and what follows the
// drawing's element (white space, a comment) does not change what loads.
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "io/PageFile.h"

namespace pageoracle {

[[noreturn]] inline void violated(const char* what) {
    std::fprintf(stderr, "oracle violated: %s\n", what);
    std::abort();
}

inline std::string format(const io::PageContent& page) {
    std::vector<std::span<const ControlPoint>> views(page.strokes.begin(), page.strokes.end());
    return io::formatPage(views, page.colours);
}

inline void check(std::string_view text) {
    const auto page = io::parsePage(text);
    if (!page) return;

    const std::string saved = format(*page);
    const auto again = io::parsePage(saved);
    if (!again) violated("a saved page does not load");
    if (format(*again) != saved) violated("save/load/save changes the text");

    const auto followed = io::parsePage(std::string(text) + "\r\n<!-- after -->\n");
    if (!followed) violated("a comment after a loaded page makes it fail");
    if (format(*followed) != saved) violated("a comment after a loaded page changes it");
}

}  // namespace pageoracle
