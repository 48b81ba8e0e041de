#include "app/QtLessonExporter.h"

#include <GL/gl.h>

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QPageSize>
#include <QPainter>
#include <QPen>
#include <QPdfWriter>
#include <algorithm>
#include <cmath>
#include <iostream>

#include "app/PdfUnderlay.h"
#include "document/Drawing.h"
#include "material/BackgroundSource.h"
#include "platform/GlTexture.h"
#include "io/PaperPattern.h"
#include "render/PageImage.h"

namespace {

// Twice the page's size: 1800 x 1800 pixels.
constexpr int kPngScale = 2;

// PDF units are points; at 72 dots per inch one painter unit is one point, so a canvas
// unit is a point and the page is 900 x 900 points.
constexpr int kPdfResolution = 72;

void paintPaper(QPainter& painter, io::Paper paper) {
    const io::PaperPattern pattern = io::paperPattern(paper);
    const auto colour = [](Rgb c) { return QColor(c.r, c.g, c.b); };
    for (const io::PaperLine& l : pattern.lines) {
        painter.setPen(QPen(colour(l.margin ? io::kPaperMarginColour : io::kPaperRuleColour),
                            io::kPaperLineWidth, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(QPointF(l.x0, l.y0), QPointF(l.x1, l.y1));
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour(io::kPaperRuleColour));
    for (std::size_t i = 0; i + 1 < pattern.dots.size(); i += 2)
        painter.drawEllipse(QPointF(pattern.dots[i], pattern.dots[i + 1]), io::kPaperDotRadius,
                            io::kPaperDotRadius);
}

// The page's background drawn for `box` pixels from the lesson folder (the working
// directory); null when there is none or it cannot be drawn.
BackgroundImage backgroundOf(const io::PageStyle& style, int box) {
    if (style.background.empty()) return {};
    BackgroundSource source(QDir::currentPath().toStdString());
    BackgroundImage image = source.render(style.background, style.backgroundPage, box);
    if (!image.problem.empty())
        std::cout << "The background " << style.background << " " << image.problem
                  << "; the page is exported with its ink on white\n";
    return image;
}

// Under the paper: a picture drawn here; a PDF page left for withUnderlays.
void paintBackground(QPainter& painter, const io::PageStyle& style, int index,
                     std::vector<PdfUnderlay>& underlays) {
    if (style.background.empty()) return;
    if (io::kindFromName(style.background) == io::MaterialKind::Pdf) {
        // Its size is needed to place it; a page that cannot be read is left out there.
        const BackgroundImage probe = backgroundOf(style, 16);
        if (probe.image.isNull()) return;
        underlays.push_back({index, QDir::current().absoluteFilePath(
                                        QString::fromStdString(style.background)).toStdString(),
                             style.backgroundPage, probe.placement});
        return;
    }
    // Pictures at twice the page's points: sharp when printed.
    const BackgroundImage image = backgroundOf(style, 2 * static_cast<int>(Drawing::kCanvasSize));
    if (image.image.isNull()) return;
    const io::Placement& p = image.placement;
    // The painter's y runs up here; a picture's first row is its top.
    painter.save();
    painter.translate(p.x, p.y + p.height);
    painter.scale(1.0, -1.0);
    painter.drawImage(QRectF(0, 0, p.width, p.height), image.image);
    painter.restore();
}

void paintPage(QPainter& painter, const std::vector<io::SvgStrokeOutline>& strokes) {
    // The brush is set only when it changes: each change writes the fill colour again.
    QColor current;
    for (const io::SvgStrokeOutline& stroke : strokes) {
        QColor fill(stroke.colour.r, stroke.colour.g, stroke.colour.b);
        const auto setFill = [&](float opacity) {
            fill.setAlphaF(opacity > 0.0f ? std::min(opacity, 1.0f) : 0.0f);
            if (fill != current) {
                painter.setBrush(fill);
                current = fill;
            }
        };
        if (const std::optional<io::OutlineDot> dot = io::outlineDot(stroke)) {
            setFill(dot->opacity);
            painter.drawEllipse(QPointF(dot->x, dot->y), dot->radius, dot->radius);
        }
        io::forEachOutlineQuad(stroke, [&](const float* c, float opacity) {
            // A damaged page's points can be anywhere; what is not a number is left out.
            if (!std::all_of(c, c + 8, [](float v) { return std::isfinite(v); })) return;
            const QPointF quad[4] = {{c[0], c[1]}, {c[2], c[3]}, {c[4], c[5]}, {c[6], c[7]}};
            setFill(opacity);
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
    // PDF material goes under its pages afterwards, as the original's own vector pages.
    std::vector<PdfUnderlay> underlays;
    {
        QPdfWriter writer(&buffer);
        writer.setCreator(QStringLiteral("inkboard"));
        writer.setResolution(kPdfResolution);
        writer.setPageSize(
            QPageSize(QSizeF(Drawing::kCanvasSize, Drawing::kCanvasSize), QPageSize::Point));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter painter;
        ExportPage page;
        bool first = true;
        int index = 0;
        while (nextPage(page)) {
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
            paintBackground(painter, page.style, index++, underlays);
            paintPaper(painter, page.style.paper);
            painter.setPen(Qt::NoPen);
            paintPage(painter, page.strokes);
            page = {};
        }
        if (first || !painter.end()) return std::nullopt;
    }
    std::vector<std::string> problems;
    std::optional<std::string> out = withUnderlays(buffer.data().toStdString(), underlays, problems);
    for (const std::string& line : problems) std::cout << line << "\n";
    return out;
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
        const BackgroundImage background =
            backgroundOf(page.content.style, kPngScale * static_cast<int>(Drawing::kCanvasSize));
        BackgroundQuad quad;
        if (!background.image.isNull()) {
            const io::Placement& p = background.placement;
            quad = {createLinearTexture(GL_RGBA, background.image.width(), background.image.height(),
                                        GL_RGBA, background.image.constBits()),
                    p.x, p.y, p.width, p.height, 1};
        }
        image = renderPageImage(page.content, kPngScale, quad);
        if (quad.texture) {
            const GLuint name = quad.texture;
            glDeleteTextures(1, &name);
        }
        context.doneCurrent();
    }
    if (image.isNull()) return std::nullopt;
    QBuffer buffer;
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) return std::nullopt;
    return buffer.data().toStdString();
}
