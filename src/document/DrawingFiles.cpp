// The drawing's page and SVG files: kept apart from the rest of the drawing so that a build
// without a file system (the browser's) leaves them out.
#include <filesystem>
#include <iostream>

#include "document/Drawing.h"
#include "io/PageFile.h"
#include "io/SafeFile.h"
#include "io/SvgFile.h"

Drawing::Drawing(std::ostream& log) : Drawing(log, Blank{}) { loadXml("0.xml"); }

Drawing::Drawing() : Drawing(std::cout) {}

bool Drawing::saveXml(const std::string& fileName) const {
    return io::replaceFileContents(fileName, pageText());
}

bool Drawing::loadXml(const std::string& fileName) {
    std::optional<io::PageContent> page = io::readPageFile(fileName);
    clear();
    setStyle(page ? page->style : io::PageStyle{});
    if (!page) {
        *log_ << "Failed to load file\n";
        std::error_code ec;
        if (std::filesystem::is_regular_file(fileName, ec)) unreadableFiles.insert(fileName);
        return false;
    }
    unreadableFiles.erase(fileName);
    loadContent(*page);
    return true;
}

bool Drawing::exportSvg(const std::string& fileName, const io::SvgBackground* background) const {
    return io::writeSvgFile(fileName, exportOutlines(), style.paper, background);
}
