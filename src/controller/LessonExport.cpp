#include "controller/LessonExport.h"

#include <climits>
#include <filesystem>
#include <iostream>

#include "controller/PageFiles.h"
#include "document/Drawing.h"
#include "io/PageFile.h"
#include "io/SafeFile.h"

namespace lesson {

bool exportPdf(const Drawing& drawing, int currentPage, LessonExporter& exporter) {
    int next = 0;
    int written = 0;
    const LessonExporter::NextPage nextPage = [&](std::vector<io::SvgStrokeOutline>& strokes) {
        while (next < INT_MAX) {
            const int n = next++;
            if (n == currentPage) {
                strokes = drawing.exportOutlines();
                ++written;
                return true;
            }
            const std::string name = pageFileName(n);
            std::error_code ec;
            if (!std::filesystem::exists(name, ec)) {
                if (n > currentPage) return false;
                std::cout << name << " is missing; it is left out of " << kLessonPdfFileName
                          << "\n";
                continue;
            }
            const std::optional<io::PageContent> page = io::readPageFile(name);
            if (!page) {
                std::cout << "Could not read " << name << "; it is left out of "
                          << kLessonPdfFileName << "\n";
                continue;
            }
            strokes = exportOutlines(*page);
            ++written;
            return true;
        }
        return false;
    };
    const std::optional<std::string> bytes = exporter.pdf(nextPage);
    if (!bytes) {
        std::cout << "Could not make " << kLessonPdfFileName << "\n";
        return false;
    }
    if (!io::replaceFileContents(kLessonPdfFileName, *bytes)) return false;
    std::cout << "Wrote " << kLessonPdfFileName << " (" << written
              << (written == 1 ? " page)\n" : " pages)\n");
    return true;
}

bool exportPng(const Drawing& drawing, int currentPage, LessonExporter& exporter) {
    const std::string name = pngFileName(currentPage);
    const std::optional<std::string> bytes = exporter.pagePng(drawing);
    if (!bytes) {
        std::cout << "Could not render " << name << "\n";
        return false;
    }
    if (!io::replaceFileContents(name, *bytes)) return false;
    std::cout << "Wrote " << name << "\n";
    return true;
}

}  // namespace lesson
