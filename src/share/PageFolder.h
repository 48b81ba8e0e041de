#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "io/PageFile.h"

namespace share {

// A board's own page files beside the room's pages: the pages it offers the room, and the
// rescue pages it keeps when the room holds another page or leaves its change out. A board
// without files (in a browser) has none.
class PageFolder {
public:
    virtual ~PageFolder() = default;
    // Page `page` as the folder holds it; nullopt when it has none or cannot read it.
    virtual std::optional<io::PageContent> read(int page) = 0;
    // Keeps `text` beside page `page` as a new numbered rescue page; its name, empty when it
    // could not be kept.
    virtual std::string keepRescue(int page, const std::string& text) = 0;
};

// The lesson folder's page files, page n's named pageFile(n); rescues are "NAME.rescue",
// then ".2", ".3", ...
std::unique_ptr<PageFolder> pageFilesFolder(std::function<std::string(int)> pageFile);

}  // namespace share
