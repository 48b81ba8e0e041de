#pragma once

#include <string_view>

// The single-key commands, matched on the key's text exactly and case-sensitively.
enum class KeyCommand {
    None,
    ToggleWireframe,   // "w"
    TogglePoints,      // "c"
    ToggleIndexCells,  // "t"
    SmoothnessDown,    // "["
    SmoothnessUp,      // "]"
    Clear,             // "C"
    Save,              // "S"
    Load,              // "L"
    ExportSvg,         // "E"
    ExportPdf,         // "P": every page, as pages.pdf
    ExportPng,         // "O": the current page, as N.png
};

KeyCommand keyCommandFor(std::string_view text);
