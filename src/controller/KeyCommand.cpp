#include "controller/KeyCommand.h"

#include <array>
#include <utility>

KeyCommand keyCommandFor(std::string_view text) {
    static constexpr std::array<std::pair<std::string_view, KeyCommand>, 14> table{{
        {"w", KeyCommand::ToggleWireframe},
        {"c", KeyCommand::TogglePoints},
        {"t", KeyCommand::ToggleIndexCells},
        {"[", KeyCommand::SmoothnessDown},
        {"]", KeyCommand::SmoothnessUp},
        {"C", KeyCommand::Clear},
        {"S", KeyCommand::Save},
        {"L", KeyCommand::Load},
        {"E", KeyCommand::ExportSvg},
        {"P", KeyCommand::ExportPdf},
        {"O", KeyCommand::ExportPng},
        {"Ctrl+Z", KeyCommand::Undo},
        {"Ctrl+Shift+Z", KeyCommand::Redo},
        {"Ctrl+Y", KeyCommand::Redo},
    }};
    for (const auto& [key, command] : table)
        if (key == text) return command;
    return KeyCommand::None;
}
