#include "controller/LessonPages.h"

#include <iostream>

#include "controller/EditHistory.h"
#include "controller/LessonExport.h"
#include "controller/PageFiles.h"
#include "document/Drawing.h"

LessonPages::LessonPages(Drawing& drawing, EditHistory& history)
    : drawing_(drawing), history_(history) {
    history_.openPage(page_, pageFileName(page_), true);
}

bool LessonPages::save(const std::string& reason) {
    const std::string text = drawing_.pageText();
    history_.saving(text);
    if (pages::save(drawing_, page_, text)) {
        history_.saved(text);
        return true;
    }
    std::cout << "Page " << page_ << " was not saved; " << reason
              << " cancelled, the drawing is kept\n";
    return false;
}

bool LessonPages::show(int page) {
    if (!save("page flip")) return false;
    page_ = page;
    history_.openPage(page_, pageFileName(page_));
    return true;
}

void LessonPages::reload() { history_.reload(pageFileName(page_)); }

bool LessonPages::exportSvg() const {
    const std::optional<io::SvgBackground> material =
        svgMaterial_ && !drawing_.style.background.empty() ? svgMaterial_(drawing_.style)
                                                           : std::nullopt;
    return drawing_.exportSvg(svgFileName(page_), material ? &*material : nullptr);
}

bool LessonPages::exportPdf() { return exports_.startPdf(drawing_, page_); }

bool LessonPages::exportPng() { return exports_.startPng(drawing_, page_); }

bool LessonPages::keepUnsaved() const { return pages::keepUnsaved(drawing_, page_); }

bool LessonPages::finishRun() {
    // The file the user asked for is made whole rather than left half written.
    if (exports_.running()) std::cout << "Finishing " << exports_.runningFile() << "\n";
    exports_.finish();
    return history_.finish() || keepUnsaved();
}
