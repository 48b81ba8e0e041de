#pragma once

#include "controller/LessonExport.h"

class QOpenGLWidget;

// The lesson's hand-outs drawn with the toolkit: the PDF with QPdfWriter and QPainter, the
// PNG with the stroke renderer in the window's GL context, made current for the export.
class QtLessonExporter : public LessonExporter {
public:
    explicit QtLessonExporter(QOpenGLWidget& window) : window_(window) {}

    std::optional<std::string> pdf(const NextPage& nextPage) override;
    std::optional<std::string> pagePng(const Drawing& drawing) override;

private:
    QOpenGLWidget& window_;
};
