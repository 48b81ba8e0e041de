#include "material/QtMaterialInspector.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QSvgRenderer>
#include <poppler-qt6.h>

#include "material/BackgroundSource.h"

namespace {
QString pixels(QSize s) { return QStringLiteral("%1 x %2 pixels").arg(s.width()).arg(s.height()); }

MaterialPages pdfPages(const QByteArray& data) {
    const std::unique_ptr<Poppler::Document> doc = Poppler::Document::loadFromData(data);
    if (!doc) return {0, "is a damaged PDF (it cannot be opened)"};
    if (doc->isLocked()) return {0, "is protected by a password"};
    const int n = doc->numPages();
    if (n < 1) return {0, "is a damaged PDF (it has no pages)"};
    if (n > material::kMaxImportPages) return {n, {}};
    for (int i = 0; i < n; ++i) {
        const std::unique_ptr<Poppler::Page> page = doc->page(i);
        const QSizeF size = page ? page->pageSizeF() : QSizeF();
        if (!pageSizeUsable(size))
            return {0, "is a damaged PDF (page " + std::to_string(i + 1) + " has no usable size)"};
    }
    return {n, {}};
}

MaterialPages picturePages(QByteArray data) {
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty()) return {0, "is a damaged picture"};
    if (size.width() > kMaxPictureSide || size.height() > kMaxPictureSide ||
        static_cast<long long>(size.width()) * size.height() > kMaxPicturePixels)
        return {0, "is too large a picture (" + pixels(size).toStdString() + "; at most " +
                       std::to_string(kMaxPictureSide) + " on a side)"};
    // Decoded once here, so that a picture cut short is refused now rather than shown
    // broken later.
    reader.setAllocationLimit(static_cast<int>(kMaxPicturePixels * 4 / (1024 * 1024)) + 1);
    if (reader.read().isNull()) return {0, "is a damaged picture"};
    return {1, {}};
}

MaterialPages svgPages(const QByteArray& data) {
    QSvgRenderer svg(data);
    if (!svg.isValid()) return {0, "is a damaged SVG picture"};
    if (!pageSizeUsable(svg.viewBoxF().size())) return {0, "is an SVG picture without a size"};
    return {1, {}};
}
}  // namespace

QtMaterialInspector::QtMaterialInspector() { quietPoppler(); }

MaterialPages QtMaterialInspector::inspect(std::string_view bytes, io::MaterialKind kind) {
    const QByteArray data(bytes.data(), static_cast<qsizetype>(bytes.size()));
    switch (kind) {
        case io::MaterialKind::Pdf: return pdfPages(data);
        case io::MaterialKind::Png:
        case io::MaterialKind::Jpeg: return picturePages(data);
        case io::MaterialKind::Svg: return svgPages(data);
    }
    return {0, "is not a PDF, PNG, JPEG or SVG file"};
}
