#include "controller/PageFiles.h"

#include <filesystem>
#include <iostream>

#include "document/Drawing.h"
#include "io/PageFile.h"
#include "io/SafeFile.h"
#include "io/SetAside.h"

namespace pages {
namespace {
// The damaged file is copied aside, not moved: until the new page is in place the old one
// stays where the journal expects it, so a failed or cut-short save loses nothing.
bool keepUnreadable(Drawing& drawing, const std::string& name) {
    if (!drawing.unreadableFiles.contains(name)) return true;
    std::error_code ec;
    if (std::filesystem::is_regular_file(name, ec)) {
        const std::optional<std::string> kept = io::keepCopy(name, "unreadable");
        if (!kept) {
            std::cout << "Could not keep a copy of " << name << ", which could not be read\n";
            return false;
        }
        std::cout << "Could not read " << name << "; it is kept as " << *kept << "\n";
    }
    drawing.unreadableFiles.erase(name);
    return true;
}

// Empty stroke elements load as nothing, so they do not count; colours do.
io::PageContent loadedStrokes(io::PageContent page) {
    io::PageContent kept;
    for (std::size_t i = 0; i < page.strokes.size(); ++i) {
        if (page.strokes[i].empty()) continue;
        kept.strokes.push_back(std::move(page.strokes[i]));
        kept.colours.push_back(i < page.colours.size() ? page.colours[i] : Rgb{});
    }
    return kept;
}

// Whether the page file at `path` holds the strokes that saving `text` would give it,
// whoever wrote the file and however it is laid out.
bool pageHolds(const std::string& path, const std::string& text) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    const std::optional<io::PageContent> onDisk = io::readPageFile(path);
    const std::optional<io::PageContent> saved = io::parsePage(text);
    return onDisk && saved && loadedStrokes(*onDisk) == loadedStrokes(*saved);
}
}  // namespace

bool save(Drawing& drawing, int page, std::string_view text) {
    const std::string name = pageFileName(page);
    return keepUnreadable(drawing, name) && io::replaceFileContents(name, text);
}

bool keepUnsaved(const Drawing& drawing, int page) {
    if (drawing.strokes.empty()) return true;  // nothing drawn that a page file lacks
    const std::string name = pageFileName(page);
    const std::string text = drawing.pageText();
    if (pageHolds(name, text)) return true;
    const std::string kept = io::claimFreeName(name + ".unsaved");
    if (kept.empty() || !io::replaceFileContents(kept, text)) return false;
    std::cout << "The drawing was not saved; it is kept as " << kept << "\n";
    return true;
}

}  // namespace pages
