#pragma once

#include <memory>

#include "controller/LessonExport.h"

class QOffscreenSurface;

// The lesson's hand-outs drawn with the toolkit on the export's worker thread: the PDF with
// QPdfWriter and QPainter, the PNG with the stroke renderer in a GL context of the worker's
// own on an offscreen surface. Made on the GUI thread (the surface must be made there).
class QtLessonExporter : public LessonExporter {
public:
    QtLessonExporter();
    ~QtLessonExporter() override;

    std::optional<std::string> pdf(const NextPage& nextPage) override;
    std::optional<std::string> pagePng(const PageSnapshot& page) override;

private:
    std::unique_ptr<QOffscreenSurface> surface_;
};
