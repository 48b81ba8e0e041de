#include "controller/LessonExport.h"

#include <climits>
#include <iostream>

#include "controller/PageFiles.h"
#include "document/Drawing.h"
#include "io/SafeFile.h"

PageSnapshot snapshotOf(const Drawing& drawing) {
    PageSnapshot snapshot;
    snapshot.zoom = drawing.view.zoom;
    snapshot.content.strokes.reserve(drawing.strokes.count());
    snapshot.content.colours.reserve(drawing.strokes.count());
    for (const Stroke& s : drawing.strokes) {
        snapshot.content.strokes.push_back(s.points);
        snapshot.content.colours.push_back(s.colour);
    }
    return snapshot;
}

namespace lesson {

bool writePdf(const std::filesystem::path& folder, const PageSnapshot& current,
              int currentPage, LessonExporter& exporter, JobProgress& progress) {
    const auto path = [&](int n) { return (folder / pageFileName(n)).string(); };
    std::error_code ec;
    // The lesson runs on past the page on screen up to the first missing number.
    int last = currentPage;
    while (last < INT_MAX && std::filesystem::exists(path(last + 1), ec)) ++last;
    progress.setTotal(last + 2);

    int next = 0;
    int written = 0;
    const LessonExporter::NextPage nextPage = [&](std::vector<io::SvgStrokeOutline>& strokes) {
        // The exporter has drawn the page before this call.
        if (next > 0) progress.advance();
        while (next <= last) {
            const int n = next++;
            if (n == currentPage) {
                strokes = exportOutlines(current.content, current.zoom);
                ++written;
                return true;
            }
            const std::string name = pageFileName(n);
            if (!std::filesystem::exists(path(n), ec)) {
                progress.say(name + " is missing; it is left out of " + kLessonPdfFileName);
                progress.advance();
                continue;
            }
            const std::optional<io::PageContent> page = io::readPageFile(path(n));
            if (!page) {
                progress.say("Could not read " + name + "; it is left out of " +
                             kLessonPdfFileName);
                progress.advance();
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
        progress.say(std::string("Could not make ") + kLessonPdfFileName);
        return false;
    }
    if (!io::replaceFileContents((folder / kLessonPdfFileName).string(), *bytes)) return false;
    progress.advance();
    progress.say(std::string("Wrote ") + kLessonPdfFileName + " (" + std::to_string(written) +
                 (written == 1 ? " page)" : " pages)"));
    return true;
}

bool writePng(const std::filesystem::path& folder, const PageSnapshot& current,
              int currentPage, LessonExporter& exporter, JobProgress& progress) {
    const std::string name = pngFileName(currentPage);
    progress.setTotal(1);
    const std::optional<std::string> bytes = exporter.pagePng(current);
    if (!bytes) {
        progress.say("Could not render " + name);
        return false;
    }
    if (!io::replaceFileContents((folder / name).string(), *bytes)) return false;
    progress.advance();
    progress.say("Wrote " + name);
    return true;
}

namespace {
bool here(const std::function<bool(const std::filesystem::path&, JobProgress&)>& write) {
    JobProgress progress;
    std::error_code ec;
    const bool ok = write(std::filesystem::current_path(ec), progress);
    for (const std::string& line : progress.takeLines()) std::cout << line << "\n";
    return ok;
}
}  // namespace

bool exportPdf(const Drawing& drawing, int currentPage, LessonExporter& exporter) {
    const PageSnapshot snapshot = snapshotOf(drawing);
    return here([&](const std::filesystem::path& folder, JobProgress& progress) {
        return writePdf(folder, snapshot, currentPage, exporter, progress);
    });
}

bool exportPng(const Drawing& drawing, int currentPage, LessonExporter& exporter) {
    const PageSnapshot snapshot = snapshotOf(drawing);
    return here([&](const std::filesystem::path& folder, JobProgress& progress) {
        return writePng(folder, snapshot, currentPage, exporter, progress);
    });
}

}  // namespace lesson

bool LessonExports::mayStart(const std::string& file) const {
    if (!exporter) return false;
    if (!job_.running()) return true;
    const int percent = static_cast<int>(job_.progress().value_or(0.0f) * 100.0f);
    std::cout << "Still writing " << job_.name() << " (" << percent << " %); " << file
              << " is not started\n";
    return false;
}

bool LessonExports::startPdf(const Drawing& drawing, int currentPage) {
    if (!mayStart(kLessonPdfFileName)) return false;
    std::error_code ec;
    return job_.start(kLessonPdfFileName,
                      [snapshot = snapshotOf(drawing), folder = std::filesystem::current_path(ec),
                       currentPage, exporter = exporter](JobProgress& progress) {
                          lesson::writePdf(folder, snapshot, currentPage, *exporter, progress);
                      });
}

bool LessonExports::startPng(const Drawing& drawing, int currentPage) {
    const std::string file = pngFileName(currentPage);
    if (!mayStart(file)) return false;
    std::error_code ec;
    return job_.start(file,
                      [snapshot = snapshotOf(drawing), folder = std::filesystem::current_path(ec),
                       currentPage, exporter = exporter](JobProgress& progress) {
                          lesson::writePng(folder, snapshot, currentPage, *exporter, progress);
                      });
}
