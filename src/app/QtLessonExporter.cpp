#include "app/QtLessonExporter.h"

#include <QBuffer>
#include <QImage>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <cmath>

#include "document/Drawing.h"
#include "render/PageImage.h"

namespace {

// Twice the page's size: 1800 x 1800 pixels.
constexpr int kPngScale = 2;

// PDF units are points; at 72 dots per inch one painter unit is one point, so a canvas
// unit is a point and the page is 900 x 900 points.
constexpr int kPdfResolution = 72;

void paintPage(QPainter& painter, const std::vector<io::SvgStrokeOutline>& strokes) {
    // The brush is set only when it changes: each change writes the fill colour again.
    QColor current;
    for (const io::SvgStrokeOutline& stroke : strokes) {
        QColor fill(stroke.colour.r, stroke.colour.g, stroke.colour.b);
        io::forEachOutlineQuad(stroke, [&](const float* c, float opacity) {
            // A damaged page's points can be anywhere; what is not a number is left out.
            if (!std::all_of(c, c + 8, [](float v) { return std::isfinite(v); })) return;
            const QPointF quad[4] = {{c[0], c[1]}, {c[2], c[3]}, {c[4], c[5]}, {c[6], c[7]}};
            fill.setAlphaF(opacity > 0.0f ? std::min(opacity, 1.0f) : 0.0f);
            if (fill != current) {
                painter.setBrush(fill);
                current = fill;
            }
            painter.drawPolygon(quad, 4);
        });
    }
}

}  // namespace

QtLessonExporter::QtLessonExporter() : surface_(std::make_unique<QOffscreenSurface>()) {
    surface_->setFormat(QSurfaceFormat::defaultFormat());
    surface_->create();
}

QtLessonExporter::~QtLessonExporter() = default;

std::optional<std::string> QtLessonExporter::pdf(const NextPage& nextPage) {
    QBuffer buffer;
    if (!buffer.open(QIODevice::WriteOnly)) return std::nullopt;
    {
        QPdfWriter writer(&buffer);
        writer.setCreator(QStringLiteral("inkboard"));
        writer.setResolution(kPdfResolution);
        writer.setPageSize(
            QPageSize(QSizeF(Drawing::kCanvasSize, Drawing::kCanvasSize), QPageSize::Point));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter painter;
        std::vector<io::SvgStrokeOutline> strokes;
        bool first = true;
        while (nextPage(strokes)) {
            if (first) {
                if (!painter.begin(&writer)) return std::nullopt;
            } else if (!writer.newPage()) {
                return std::nullopt;
            }
            first = false;
            painter.resetTransform();
            // Canvas y runs up, the page's down.
            painter.translate(0.0, Drawing::kCanvasSize);
            painter.scale(1.0, -1.0);
            painter.setPen(Qt::NoPen);
            paintPage(painter, strokes);
            strokes.clear();
        }
        if (first || !painter.end()) return std::nullopt;
    }
    return buffer.data().toStdString();
}

std::optional<std::string> QtLessonExporter::pagePng(const PageSnapshot& page) {
    // A context of this thread's own for this one picture: the window's belongs to the GUI
    // thread, which goes on drawing the board meanwhile.
    if (!surface_->isValid() || !QOpenGLContext::supportsThreadedOpenGL()) return std::nullopt;
    QImage image;
    {
        QOpenGLContext context;
        context.setFormat(surface_->format());
        if (!context.create() || !context.makeCurrent(surface_.get())) return std::nullopt;
        image = renderPageImage(page.content, kPngScale);
        context.doneCurrent();
    }
    if (image.isNull()) return std::nullopt;
    QBuffer buffer;
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) return std::nullopt;
    return buffer.data().toStdString();
}
