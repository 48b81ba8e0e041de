#pragma once

#include <string_view>

// The key commands, matched on the key's text exactly and case-sensitively. Keys pressed
// with Ctrl come as their name: "Ctrl+" (and "Shift+" when held) before the key's letter.
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
    Undo,              // "Ctrl+Z"
    Redo,              // "Ctrl+Shift+Z", "Ctrl+Y"
};

KeyCommand keyCommandFor(std::string_view text);
