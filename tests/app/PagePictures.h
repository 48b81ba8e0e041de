#pragma once

// Pictures of the same page from different renderers (the window, the SVG export through
// rsvg-convert, the PDF through pdftoppm, the PNG export), compared pixel by pixel after
// thresholding: each pixel is paper or the palette colour nearest to it, so that a pixel
// counts as inked once a stroke covers about half of it, whatever its colour.
#include <QColor>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <span>
#include <vector>

#include "brush/Palette.h"
#include "io/PageFile.h"
#include "io/SvgFile.h"
#include "support/StrokeData.h"

namespace ink {

// 0 paper, 1 + i for kPalette[i]. An edge pixel is a blend of paper and the stroke's
// colour, so it lies on the line from white to that colour: the colour is the palette
// entry whose line passes nearest, and the pixel is inked when it lies at least half way
// along that line.
inline int classOf(QColor c) {
    const double v[3] = {255.0 - c.red(), 255.0 - c.green(), 255.0 - c.blue()};
    int best = 0;
    double bestResidual = 0.0, bestT = 0.0;
    for (std::size_t i = 0; i < kPalette.size(); ++i) {
        const double d[3] = {255.0 - kPalette[i].r, 255.0 - kPalette[i].g, 255.0 - kPalette[i].b};
        const double t =
            (v[0] * d[0] + v[1] * d[1] + v[2] * d[2]) / (d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        double residual = 0.0;
        for (int k = 0; k < 3; ++k) residual += (v[k] - t * d[k]) * (v[k] - t * d[k]);
        if (i == 0 || residual < bestResidual) {
            bestResidual = residual;
            bestT = t;
            best = static_cast<int>(i) + 1;
        }
    }
    return bestT >= 0.5 ? best : 0;
}

struct Agreement {
    int inked = 0;     // pixels inked in either picture
    int disagree = 0;  // of those, pixels with nothing alike within one pixel in the other
};

// a(x, y) and b(x, y) give the class at the same page pixel in either picture; the pixels
// (x, y) with x0 <= x < x1, y0 <= y < y1 and !skip(x, y) are compared. Edges are
// anti-aliased differently, so a pixel only disagrees when the other picture has nothing
// alike within one pixel.
template <typename A, typename B, typename Skip>
Agreement compare(A&& a, B&& b, int x0, int y0, int x1, int y1, Skip&& skip) {
    auto near = [](auto&& img, int x, int y, int want) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (img(x + dx, y + dy) == want) return true;
        return false;
    };
    Agreement result;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            if (skip(x, y)) continue;
            const int ca = a(x, y), cb = b(x, y);
            result.inked += ca != 0 || cb != 0;
            if (ca != cb) result.disagree += !near(b, x, y, ca) || !near(a, x, y, cb);
        }
    return result;
}

// Runs a tool; its exit code, or -1 when it did not finish within a minute.
inline int run(const QString& program, const QStringList& args, QString* output = nullptr) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(60000)) return -1;
    if (output) *output = QString::fromUtf8(p.readAll());
    return p.exitCode();
}

// Every recorded stroke in its own cell of a grid in the page's upper right, away from the
// menu and the screen band; radius from pressure, full opacity, the palette's colours in
// turn.
inline io::PageContent recordedPage() {
    io::PageContent page;
    const auto strokes = strokedata::loadAllStrokes();
    const float cell = 100.0f, x0 = 350.0f, y0 = 420.0f;
    for (std::size_t i = 0; i < strokes.size(); ++i) {
        const auto placed = strokedata::placedOnPage(strokes[i], cell, 10.0f);
        const float ox = x0 + cell * static_cast<float>(i % 5);
        const float oy = y0 + cell * static_cast<float>(i / 5);
        std::vector<ControlPoint> pts;
        Vec2 last(1e9f, 1e9f);
        for (const auto& s : placed.samples) {
            const Vec2 p(s.x + ox, s.y + oy);
            if (distance(p, last) < 4.0f) continue;
            pts.push_back({p.x, p.y, 1.5f + 2.0f * s.pressure, 1.0f});
            last = p;
        }
        if (pts.size() < 2) continue;
        page.strokes.push_back(std::move(pts));
        page.colours.push_back(kPalette[page.colours.size() % kPalette.size()]);
    }
    return page;
}

inline bool writePage(const std::string& path, const io::PageContent& page) {
    std::vector<std::span<const ControlPoint>> views(page.strokes.begin(), page.strokes.end());
    return io::writePageFile(path, views, page.colours);
}

// The SVG text drawn 1:1 by rsvg-convert on white: the page square as 900 x 900 pixels,
// SVG y running down (pixel (x, y) is canvas (x, y)). A null image when it failed.
inline QImage renderSvg(QString text, const QString& folder, QString* said) {
    text.replace("width=\"100%\" height=\"100%\"", "width=\"900\" height=\"900\"");
    QFile sized(folder + "/sized.svg");
    if (!sized.open(QIODevice::WriteOnly)) return {};
    sized.write(text.toUtf8());
    sized.close();
    const QString png = folder + "/svg.png";
    if (run("rsvg-convert", {"-b", "white", "-o", png, sized.fileName()}, said) != 0) return {};
    return QImage(png).convertToFormat(QImage::Format_RGB32);
}

}  // namespace ink
