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
// Renders are never larger than this on a side (64 MiB at 4 bytes a pixel).
constexpr int kMaxBox = 4096;

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
                                         const std::function<bool()>& abandon) {
    BackgroundImage out;
    box = std::clamp(box, 16, kMaxBox);
    const std::optional<io::MaterialKind> kind = io::kindFromName(file);
    if (!io::plainFileName(file) || !kind) {
        out.problem = "is not material in the lesson folder";
        return out;
    }
    const std::string path = (std::filesystem::path(folder_) / file).string();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        out.problem = "is missing";
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
            const QImage image = p->renderToImage(
                dpi, dpi, -1, -1, -1, -1, Poppler::Page::Rotate0, nullptr, nullptr, abandonNow,
                QVariant::fromValue(reinterpret_cast<quintptr>(&abandon)));
            if (abandon && abandon()) return out;
            if (image.isNull()) {
                out.problem = "is damaged (its page " + std::to_string(index + 1) +
                              " cannot be drawn)";
                return out;
            }
            out.image = opaque(image);
            out.placement = io::fitOnPage(size.width(), size.height());
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
