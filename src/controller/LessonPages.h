#pragma once

#include <string>

class Drawing;
class EditHistory;
class LessonExporter;

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
    // "L": the page file replaces the drawing, as a change that can be undone.
    void reload();

    // The hand-outs: "N.svg", "pages.pdf" and "N.png" (the last two need an exporter).
    bool exportSvg() const;
    bool exportPdf() const;
    bool exportPng() const;
    // Draws the PDF and PNG hand-outs; not owned; none without a window.
    void setExporter(LessonExporter* exporter) { exporter_ = exporter; }

    // At the end of a run: a drawing that differs from its page file is written beside it
    // as "N.xml.unsaved" (the page itself stays as the user last saved it). False when that
    // write failed.
    bool keepUnsaved() const;
    // The end of a run: every change goes to disk in the page's journal, which the next
    // start replays; only when the journal failed is the drawing kept as "N.xml.unsaved".
    bool finishRun();

private:
    Drawing& drawing_;
    EditHistory& history_;
    LessonExporter* exporter_ = nullptr;
    int page_ = 0;
};
