#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "controller/BackgroundJob.h"
#include "io/PageFile.h"
#include "io/SvgFile.h"

class Drawing;

inline std::string pngFileName(int page) { return std::to_string(page) + ".png"; }
inline constexpr const char* kLessonPdfFileName = "pages.pdf";

// What a hand-out needs of the page on screen, copied when the export starts so that a
// worker can draw it while the board goes on changing.
struct PageSnapshot {
    io::PageContent content;  // the strokes as saving would write them, unsaved ones included
    float zoom = 1.0f;        // the level of detail the outlines are built at
};
PageSnapshot snapshotOf(const Drawing& drawing);

// The lesson's hand-outs, drawn by the windowing layer's toolkit; the controller decides
// what goes in and writes the files. Both calls come on a worker thread, one at a time.
class LessonExporter {
public:
    // Fills `strokes` with the next page's and returns true, or returns false after the
    // last page. Pages come one at a time so that a long lesson is never all in memory.
    using NextPage = std::function<bool(std::vector<io::SvgStrokeOutline>& strokes)>;

    virtual ~LessonExporter() = default;
    // A PDF of the pages `nextPage` gives, in order: each 900 x 900 points showing the
    // canvas square upright (canvas y up), every quadrilateral of forEachOutlineQuad filled
    // in its stroke's colour with its opacity. nullopt when the toolkit could not make it.
    virtual std::optional<std::string> pdf(const NextPage& nextPage) = 0;
    // A PNG of the page at twice its size (1800 x 1800 pixels), as the frame shows it at
    // zoom 2 on white; nullopt when it could not be rendered.
    virtual std::optional<std::string> pagePng(const PageSnapshot& page) = 0;
};

namespace lesson {

// Writes "pages.pdf" (safe replace) in `folder` of its page files 0.xml, 1.xml, ... up to
// the first missing number after `currentPage`, with page `currentPage` taken from
// `current`. Missing numbers before the current page, and page files that cannot be read,
// are left out with a line naming them. False (after a line saying why) when the file could
// not be written. Steps: one per page, one for the file. Any thread.
bool writePdf(const std::filesystem::path& folder, const PageSnapshot& current,
              int currentPage, LessonExporter& exporter, JobProgress& progress);
// Writes "N.png" (safe replace) in `folder` of `current` as page N. False (after a line)
// on failure. One step. Any thread.
bool writePng(const std::filesystem::path& folder, const PageSnapshot& current,
              int currentPage, LessonExporter& exporter, JobProgress& progress);

// The same in the working directory, here and now, the lines said on standard output.
bool exportPdf(const Drawing& drawing, int currentPage, LessonExporter& exporter);
bool exportPng(const Drawing& drawing, int currentPage, LessonExporter& exporter);

}  // namespace lesson

// "P" and "O" on a worker thread: the page on screen is copied when the key comes and the
// board keeps drawing while the file is made; the file appears in the working directory only
// when whole. One export runs at a time: another key while it runs says so and starts
// nothing.
class LessonExports {
public:
    // Draws the files; not owned; none without a window (the keys then do nothing).
    LessonExporter* exporter = nullptr;

    // Called on the worker thread whenever the running export moves on or ends: it may only
    // wake the owner's thread, which then calls poll().
    void setNotify(std::function<void()> notify) { job_.setNotify(std::move(notify)); }

    // False when nothing was started (no exporter, or another export runs).
    bool startPdf(const Drawing& drawing, int currentPage);
    bool startPng(const Drawing& drawing, int currentPage);

    // Takes the end of an export that has finished, saying its lines; false when none.
    bool poll() { return job_.collect(); }
    // Waits for the running export and takes its end; false when none ran.
    bool finish() { return job_.finish(); }
    bool running() const { return job_.running(); }
    const std::string& runningFile() const { return job_.name(); }
    // Fraction of the running export done, 0..1; nullopt when none runs.
    std::optional<float> progress() const { return job_.progress(); }

private:
    // True when `file` may be started now; else says why not (another export runs).
    bool mayStart(const std::string& file) const;

    BackgroundJob job_;
};
