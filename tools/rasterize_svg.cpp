// Renders one SVG file into a PNG texture for the run-time "images" folder.
//
//   rasterize_svg input.svg output.png SIZE      square SIZE x SIZE pixels
//   rasterize_svg input.svg output.png WxH       W pixels wide, H pixels high
//   rasterize_svg --any-size input.svg output.png SIZE|WxH
//
// Both sides must be powers of two (the textures go to fixed-function OpenGL), unless
// --any-size is given (the desktop icons, which come in sizes such as 22 and 48). The SVG's view
// box is stretched to fill the whole image, so a view box with the on-screen aspect ratio may be
// rendered into a texture of another shape. The image is stored upright (first row = top of the
// drawing) with straight (not premultiplied) alpha. Any warning of the SVG parser fails the run,
// so an unsupported element cannot silently vanish from an icon.
//
// Exit code 0 on success, 1 on a usage error, 2 on a rendering or writing error.

#include <QByteArray>
#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QStringList>
#include <QSvgRenderer>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// Any warning while parsing or painting means part of the drawing was dropped; nothing has been
// written yet at that point, so the run simply ends with an error.
void failOnWarning(QtMsgType type, const QMessageLogContext&, const QString& msg) {
    std::fprintf(stderr, "rasterize_svg: %s\n", qPrintable(msg));
    if (type != QtDebugMsg && type != QtInfoMsg) std::exit(2);
}

bool isPowerOfTwo(int n) { return n > 0 && (n & (n - 1)) == 0; }

// Parses "N" or "WxH"; returns false on anything else or on sides outside 1..4096 or, unless
// anySize, not powers of two.
bool parseSize(const QString& text, bool anySize, int& w, int& h) {
    const QStringList parts = text.split(QLatin1Char('x'));
    if (parts.size() > 2) return false;
    bool okW = false, okH = false;
    w = parts[0].toInt(&okW);
    h = parts.size() == 2 ? parts[1].toInt(&okH) : w;
    if (parts.size() == 1) okH = okW;
    if (!okW || !okH || w < 1 || h < 1 || w > 4096 || h > 4096) return false;
    return anySize || (isPowerOfTwo(w) && isPowerOfTwo(h));
}

// Gives every fully transparent pixel the average colour of its already coloured neighbours,
// growing outwards ring by ring. Alpha stays 0, so the image looks the same, but bilinear
// filtering of straight-alpha texels no longer pulls black into the soft edges of light shapes.
void bleedColourIntoTransparency(QImage& img) {
    const int w = img.width(), h = img.height();
    std::vector<char> known(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < w; ++x) known[static_cast<size_t>(y) * w + x] = qAlpha(row[x]) > 0;
    }
    bool changed = true;
    while (changed) {
        changed = false;
        std::vector<char> next = known;
        for (int y = 0; y < h; ++y) {
            QRgb* row = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < w; ++x) {
                if (known[static_cast<size_t>(y) * w + x]) continue;
                int r = 0, g = 0, b = 0, n = 0;
                for (int dy = -1; dy <= 1; ++dy) {
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = x + dx, ny = y + dy;
                        if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
                        if (!known[static_cast<size_t>(ny) * w + nx]) continue;
                        const QRgb c = reinterpret_cast<const QRgb*>(img.constScanLine(ny))[nx];
                        r += qRed(c);
                        g += qGreen(c);
                        b += qBlue(c);
                        ++n;
                    }
                }
                if (n == 0) continue;
                row[x] = qRgba(r / n, g / n, b / n, 0);
                next[static_cast<size_t>(y) * w + x] = 1;
                changed = true;
            }
        }
        known.swap(next);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const bool anySize = argc > 1 && QByteArray(argv[1]) == "--any-size";
    if (anySize) {
        --argc;
        ++argv;
    }
    if (argc != 4) {
        std::fprintf(stderr, "usage: rasterize_svg [--any-size] input.svg output.png SIZE|WxH\n");
        return 1;
    }
    int w = 0, h = 0;
    if (!parseSize(QString::fromLocal8Bit(argv[3]), anySize, w, h)) {
        std::fprintf(stderr, "rasterize_svg: size '%s' is not N or WxH with %s sides\n", argv[3],
                     anySize ? "1..4096" : "power-of-two");
        return 1;
    }
    const QString input = QString::fromLocal8Bit(argv[1]);
    const QString output = QString::fromLocal8Bit(argv[2]);

    qInstallMessageHandler(failOnWarning);
    QSvgRenderer renderer(input);
    if (!renderer.isValid()) {
        std::fprintf(stderr, "rasterize_svg: cannot use %s\n", argv[1]);
        return 2;
    }

    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    {
        QPainter painter(&img);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        renderer.setAspectRatioMode(Qt::IgnoreAspectRatio);
        renderer.render(&painter, QRectF(0, 0, w, h));
    }

    img = img.convertToFormat(QImage::Format_ARGB32);
    bleedColourIntoTransparency(img);

    QDir().mkpath(QFileInfo(output).absolutePath());
    if (!img.save(output, "PNG")) {
        std::fprintf(stderr, "rasterize_svg: cannot write %s\n", argv[2]);
        return 2;
    }
    return 0;
}
