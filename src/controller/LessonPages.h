#pragma once

#include <functional>
#include <optional>
#include <string>

#include "controller/LessonExport.h"

class Drawing;
class EditHistory;

// The page on show among the lesson's numbered page files ("0.xml", "1.xml", ... in the
// working directory) and what is written from it: saves, page turns, "L", the hand-outs
// and what is kept when a run ends. Saves go through the page's history, so that its
// journal and its record of the saved page stay in step with the file.
class LessonPages {
public:
    // Shows page 0, which the drawing loaded when it was made, and replays its journal.
    LessonPages(Drawing& drawing, EditHistory& history);

    int current() const { return page_; }
    // Writes the page. On failure says so in one line, naming `reason` as cancelled; the
    // drawing is kept either way.
    bool save(const std::string& reason);
    // Saves the page on show, then shows `page`; nothing moves when the save failed.
    bool show(int page);
    bool previous() { return page_ >= 1 && show(page_ - 1); }
    bool next() { return show(page_ + 1); }
    // Shows `page` as show does, first ending nothing else.
    bool jump(int page) { return page == page_ || show(page); }
    // "L": the page file replaces the drawing, as a change that can be undone.
    void reload();

    // The hand-outs: "N.svg" at once; "pages.pdf" and "N.png" (which need an exporter)
    // begin in the background (false when they did not begin).
    bool exportSvg() const;
    // Draws the page's material for the SVG export (none: the SVG has none); the window
    // sets it.
    using SvgMaterial = std::function<std::optional<io::SvgBackground>(const io::PageStyle&)>;
    void setSvgMaterial(SvgMaterial draw) { svgMaterial_ = std::move(draw); }
    bool exportPdf();
    bool exportPng();
    // Draws the PDF and PNG hand-outs; not owned; none without a window. `wake` is called
    // on the export's thread as it moves on and when it ends (see LessonExports).
    void setExporter(LessonExporter* exporter, std::function<void()> wake = nullptr) {
        exports_.exporter = exporter;
        exports_.setNotify(std::move(wake));
    }
    const LessonExports& exports() const { return exports_; }
    LessonExports& exports() { return exports_; }

    // At the end of a run: a drawing that differs from its page file is written beside it
    // as "N.xml.unsaved" (the page itself stays as the user last saved it). False when that
    // write failed.
    bool keepUnsaved() const;
    // The end of a run: a running export is finished, every change goes to disk in the
    // page's journal, which the next start replays; only when the journal failed is the
    // drawing kept as "N.xml.unsaved".
    bool finishRun();

private:
    Drawing& drawing_;
    EditHistory& history_;
    LessonExports exports_;
    SvgMaterial svgMaterial_;
    int page_ = 0;
};
