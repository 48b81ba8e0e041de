#include "controller/PageFiles.h"

#include <cstdio>
#include <filesystem>
#include <iostream>

#include "document/Drawing.h"
#include "io/SafeFile.h"

namespace pages {
namespace {
bool keepUnreadable(Drawing& drawing, const std::string& name) {
    if (!drawing.unreadableFiles.contains(name)) return true;
    std::error_code ec;
    if (std::filesystem::is_regular_file(name, ec)) {
        const std::string kept = name + ".unreadable";
        std::filesystem::rename(name, kept, ec);
        if (ec) return false;
        std::cout << "Could not read " << name << "; it is kept as " << kept << "\n";
    }
    drawing.unreadableFiles.erase(name);
    return true;
}

// Whether the regular file at `path` holds exactly `text` (false when it cannot be read).
bool fileHolds(const std::string& path, const std::string& text) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec) ||
        std::filesystem::file_size(path, ec) != text.size() || ec)
        return false;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::string onDisk(text.size(), '\0');
    const bool read = std::fread(onDisk.data(), 1, onDisk.size(), f) == onDisk.size();
    std::fclose(f);
    return read && onDisk == text;
}
}  // namespace

bool save(Drawing& drawing, int page) {
    const std::string name = pageFileName(page);
    return keepUnreadable(drawing, name) && drawing.saveXml(name);
}

bool keepUnsaved(const Drawing& drawing, int page) {
    if (drawing.strokes.empty()) return true;  // nothing drawn that a page file lacks
    const std::string name = pageFileName(page);
    const std::string text = drawing.pageText();
    if (fileHolds(name, text)) return true;
    const std::string kept = name + ".unsaved";
    if (!io::replaceFileContents(kept, text)) return false;
    std::cout << "The drawing was not saved; it is kept as " << kept << "\n";
    return true;
}

}  // namespace pages
