#include "material/BackgroundSource.h"

#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <poppler-qt6.h>

#include "io/PageStyle.h"
#include "material/QtMaterialInspector.h"

namespace {
// PDFs kept open by one source: paging back and forth in a lesson uses one or two.
constexpr std::size_t kOpenDocuments = 3;

bool abandonNow(const QVariant& payload) {
    const auto* abandon = reinterpret_cast<const std::function<bool()>*>(payload.value<quintptr>());
    return abandon && *abandon && (*abandon)();
}

// On white, as the page shows it, whatever the picture's transparency.
QImage opaque(const QImage& image) {
    if (!image.hasAlphaChannel()) return image.convertToFormat(QImage::Format_RGBA8888);
    QImage out(image.size(), QImage::Format_RGBA8888);
    out.fill(Qt::white);
    QPainter painter(&out);
    painter.drawImage(0, 0, image);
    return out;
}

// The pixels of a page's picture (top row first) that show `region` of the page square,
// where the picture shows the page at `placement`, `box` / 900 pixels a canvas unit; empty
// when the region misses the page.
QRect pixelsOf(const std::array<int, 4>& region, const io::Placement& placement, int box,
               QSize picture) {
    const double k = box / 900.0;
    const double top = placement.y + placement.height;
    const int x0 = std::max(0, static_cast<int>(std::floor((region[0] - placement.x) * k)));
    const int x1 = std::min(picture.width(), static_cast<int>(std::ceil((region[2] - placement.x) * k)));
    const int y0 = std::max(0, static_cast<int>(std::floor((top - region[3]) * k)));
    const int y1 = std::min(picture.height(), static_cast<int>(std::ceil((top - region[1]) * k)));
    if (x1 <= x0 || y1 <= y0) return {};
    // Centred within the largest part drawn.
    const int w = std::min(x1 - x0, kMaxWholeBox), h = std::min(y1 - y0, kMaxWholeBox);
    return {x0 + (x1 - x0 - w) / 2, y0 + (y1 - y0 - h) / 2, w, h};
}

QSize fitted(QSizeF size, int box) {
    const double scale = box / std::max(size.width(), size.height());
    return {std::max(1, static_cast<int>(std::lround(size.width() * scale))),
            std::max(1, static_cast<int>(std::lround(size.height() * scale)))};
}
}  // namespace

bool pageSizeUsable(QSizeF size) {
    const double w = size.width(), h = size.height();
    // Sides beyond a million units, or a million times longer than wide, leave nothing
    // to see on the page.
    return std::isfinite(w) && std::isfinite(h) && w > 0 && h > 0 && w < 1e6 && h < 1e6 &&
           std::max(w, h) / std::min(w, h) < 1e6;
}

void quietPoppler() {
    Poppler::setDebugErrorFunction([](const QString&, const QVariant&) {}, QVariant());
}

BackgroundSource::BackgroundSource(std::string folder) : folder_(std::move(folder)) {}

BackgroundSource::~BackgroundSource() = default;

Poppler::Document* BackgroundSource::document(const std::string& file, std::string& problem) {
    const auto it = std::find_if(open_.begin(), open_.end(),
                                 [&](const auto& entry) { return entry.first == file; });
    if (it != open_.end()) {
        open_.splice(open_.begin(), open_, it);
        return open_.front().second.get();
    }
    const std::string path = (std::filesystem::path(folder_) / file).string();
    std::unique_ptr<Poppler::Document> doc = Poppler::Document::load(QString::fromStdString(path));
    if (!doc) {
        problem = "is damaged (it cannot be opened as a PDF)";
        return nullptr;
    }
    if (doc->isLocked()) {
        problem = "is protected by a password";
        return nullptr;
    }
    doc->setRenderHint(Poppler::Document::Antialiasing, true);
    doc->setRenderHint(Poppler::Document::TextAntialiasing, true);
    open_.emplace_front(file, std::move(doc));
    if (open_.size() > kOpenDocuments) open_.pop_back();
    return open_.front().second.get();
}

BackgroundImage BackgroundSource::render(const std::string& file, std::uint32_t page, int box,
                                         const std::function<bool()>& abandon,
                                         const std::array<int, 4>& region) {
    BackgroundImage out;
    const std::optional<io::MaterialKind> kind = io::kindFromName(file);
    if (!io::plainFileName(file) || !kind) {
        out.problem = "is not material in the lesson folder";
        return out;
    }
    // Only PDF pages are drawn in parts; a picture is drawn whole.
    const bool part = region != std::array<int, 4>{} && *kind == io::MaterialKind::Pdf;
    box = std::clamp(box, 16, part ? kMaxPartBox : kMaxWholeBox);
    const std::string path = (std::filesystem::path(folder_) / file).string();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        out.problem = kMissingProblem;
        return out;
    }
    const QString qpath = QString::fromStdString(path);
    switch (*kind) {
        case io::MaterialKind::Pdf: {
            Poppler::Document* doc = document(file, out.problem);
            if (!doc) return out;
            const int index = page == 0 ? 0 : static_cast<int>(page - 1);
            const std::unique_ptr<Poppler::Page> p =
                index < doc->numPages() ? doc->page(index) : nullptr;
            if (!p) {
                out.problem = "has no page " + std::to_string(index + 1);
                return out;
            }
            const QSizeF size = p->pageSizeF();
            if (!pageSizeUsable(size)) {
                out.problem = "is damaged (its page " + std::to_string(index + 1) + " has no size)";
                return out;
            }
            const double dpi = 72.0 * box / std::max(size.width(), size.height());
            out.placement = io::fitOnPage(size.width(), size.height());
            QRect pixels(-1, -1, -1, -1);
            if (part) {
                pixels = pixelsOf(region, out.placement, box, fitted(size, box));
                if (pixels.isEmpty()) return {};
            }
            const QImage image = p->renderToImage(
                dpi, dpi, pixels.x(), pixels.y(), pixels.width(), pixels.height(),
                Poppler::Page::Rotate0, nullptr, nullptr, abandonNow,
                QVariant::fromValue(reinterpret_cast<quintptr>(&abandon)));
            if (abandon && abandon()) return out;
            if (image.isNull()) {
                out.problem = "is damaged (its page " + std::to_string(index + 1) +
                              " cannot be drawn)";
                return out;
            }
            out.image = opaque(image);
            if (part) {
                // Where the part drawn lies on the page square.
                const float k = static_cast<float>(box) / 900.0f;
                const float top = out.placement.y + out.placement.height;
                out.placement = {out.placement.x + static_cast<float>(pixels.x()) / k,
                                 top - static_cast<float>(pixels.y() + image.height()) / k,
                                 static_cast<float>(image.width()) / k,
                                 static_cast<float>(image.height()) / k};
            }
            return out;
        }
        case io::MaterialKind::Png:
        case io::MaterialKind::Jpeg: {
            QImageReader reader(qpath);
            const QSize size = reader.size();
            if (!pageSizeUsable(size) || size.width() > kMaxPictureSide ||
                size.height() > kMaxPictureSide) {
                out.problem = "is damaged (not a picture of a usable size)";
                return out;
            }
            const QSize want = fitted(size, box);
            if (want.width() < size.width()) reader.setScaledSize(want);
            const QImage image = reader.read();
            if (image.isNull()) {
                out.problem = "is damaged (the picture cannot be read)";
                return out;
            }
            out.image = opaque(image);
            out.placement = io::fitOnPage(size.width(), size.height());
            return out;
        }
        case io::MaterialKind::Svg: {
            QSvgRenderer svg(qpath);
            const QSizeF size = svg.viewBoxF().size();
            if (!svg.isValid() || !pageSizeUsable(size)) {
                out.problem = "is damaged (the SVG picture cannot be read)";
                return out;
            }
            QImage image(fitted(size, box), QImage::Format_RGBA8888);
            image.fill(Qt::white);
            QPainter painter(&image);
            svg.render(&painter);
            painter.end();
            out.image = std::move(image);
            out.placement = io::fitOnPage(size.width(), size.height());
            return out;
        }
    }
    return out;
}
