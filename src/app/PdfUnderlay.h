#pragma once

#include <optional>
#include <string>
#include <vector>

#include "io/Material.h"

// A page of a PDF put under a page of the lesson's PDF, as vector content: its text stays
// text (selectable, searchable), nothing is rasterised.
struct PdfUnderlay {
    int page = 0;              // of the lesson's PDF, from 0
    std::string file;          // the material PDF
    std::uint32_t sourcePage;  // its page, from 1 (0 is the first)
    io::Placement placement;   // on the page, in points, y up
};

// `pdf` with each underlay's page drawn before the page's own content. An underlay whose
// file cannot be read leaves its page as it was, with a line in `problems`. nullopt when
// `pdf` itself cannot be read or written.
std::optional<std::string> withUnderlays(const std::string& pdf,
                                         const std::vector<PdfUnderlay>& underlays,
                                         std::vector<std::string>& problems);
