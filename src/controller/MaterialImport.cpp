#include "controller/MaterialImport.h"

#include <climits>
#include <filesystem>
#include <iostream>
#include <utility>
#include <vector>

#include "controller/PageFiles.h"
#include "io/PageFile.h"
#include "io/SafeFile.h"

namespace material {

namespace {
std::string pagePath(const std::string& folder, int page) {
    return (std::filesystem::path(folder) / pageFileName(page)).string();
}

// Takes back the material copy a failed import made.
void removeCopy(const std::string& folder, const std::string& copy) {
    std::error_code ec;
    if (!copy.empty()) std::filesystem::remove(std::filesystem::path(folder) / copy, ec);
}
}  // namespace

int lastPage(const std::string& folder, int current) {
    std::error_code ec;
    int last = current;
    while (last < INT_MAX && std::filesystem::exists(pagePath(folder, last + 1), ec)) ++last;
    return last;
}

int importFile(const std::string& folder, const std::string& source, int firstPage,
               MaterialInspector& inspector) {
    const std::string shown = std::filesystem::path(source).filename().string();
    const auto refuse = [&](const std::string& problem) {
        std::cout << "Could not import " << shown << ": it " << problem
                  << "; nothing was changed\n";
        return 0;
    };
    std::string error;
    const std::optional<std::string> bytes = io::readMaterialFile(source, error);
    if (!bytes) return refuse(error);
    if (const std::string problem = io::materialProblem(shown, *bytes); !problem.empty())
        return refuse(problem);
    const io::MaterialKind kind = *io::sniffMaterial(*bytes);
    const MaterialPages pages = inspector.inspect(*bytes, kind);
    if (!pages.problem.empty()) return refuse(pages.problem);
    if (pages.count < 1) return refuse("has no pages");
    if (pages.count > kMaxImportPages)
        return refuse("has " + std::to_string(pages.count) + " pages (at most " +
                      std::to_string(kMaxImportPages) + " can be imported)");
    if (firstPage > INT_MAX - pages.count) return refuse("does not fit after the last page");

    bool created = false;
    const std::optional<std::string> name = io::storeMaterial(folder, *bytes, kind, &created);
    if (!name) return refuse("could not be copied into the lesson folder");
    std::vector<std::pair<std::string, std::string>> files;
    files.reserve(static_cast<std::size_t>(pages.count));
    for (int i = 0; i < pages.count; ++i) {
        io::PageStyle style;
        style.background = *name;
        if (kind == io::MaterialKind::Pdf) style.backgroundPage = static_cast<std::uint32_t>(i + 1);
        files.emplace_back(pagePath(folder, firstPage + i), io::formatPage({}, {}, style));
    }
    // As a group: one flush for all the pages, not two for each.
    if (!io::createFiles(files)) {
        removeCopy(folder, created ? *name : std::string());
        return refuse("could not be written as pages");
    }
    std::cout << "Imported " << shown << " as "
              << (pages.count == 1 ? "page " + std::to_string(firstPage)
                                   : "pages " + std::to_string(firstPage) + " to " +
                                         std::to_string(firstPage + pages.count - 1))
              << "\n";
    return pages.count;
}

}  // namespace material
