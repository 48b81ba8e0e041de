// The SVG export's client is a real SVG renderer: every exported file must be valid SVG 1.1
// and render to the same picture as the program's own drawing of the page.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <cmath>
#include <span>

#include "WindowHarness.h"
#include "controller/CanvasController.h"
#include "io/PageFile.h"
#include "support/StrokeData.h"

namespace {
constexpr const char* kSvgDtd =
    "/usr/share/xml/w3c-sgml-lib/schema/dtd/REC-SVG11-20110816/svg11.dtd";

// Every recorded stroke in its own cell of a grid in the page's upper right, away from the
// menu and the screen band; radius from pressure, full opacity.
std::vector<std::vector<ControlPoint>> recordedPage() {
    std::vector<std::vector<ControlPoint>> page;
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
        if (pts.size() >= 2) page.push_back(std::move(pts));
    }
    return page;
}

int run(const QString& program, const QStringList& args, QString* output = nullptr) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(60000)) return -1;
    if (output) *output = QString::fromUtf8(p.readAll());
    return p.exitCode();
}

bool dark(const QColor& c) { return c.lightness() < 128; }
}  // namespace

TEST(SvgExport, ValidSvgOfFiniteNumbersThatRendersLikeTheCanvas) {
    WindowHarness w(1000, 1000);
    ASSERT_TRUE(w.exposed);
    const auto page = recordedPage();
    std::vector<std::span<const ControlPoint>> spans(page.begin(), page.end());
    ASSERT_TRUE(io::writePageFile("0.xml", spans));
    w.manager().onKey("L");
    w.manager().onKey("E");
    const QImage canvas = w.widget->grabFramebuffer().convertToFormat(QImage::Format_RGB32);

    QString said;
    ASSERT_EQ(run("xmllint", {"--noout", "--dtdvalid", kSvgDtd, w.dir.filePath("0.svg")}, &said), 0)
        << said.toStdString();

    QFile svg(w.dir.filePath("0.svg"));
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    QString text = QString::fromUtf8(svg.readAll());
    EXPECT_GT(text.count("<polygon"), 500);
    EXPECT_FALSE(
        text.contains(QRegularExpression("nan|inf", QRegularExpression::CaseInsensitiveOption)));

    // Render the page square 1:1 (SVG y runs down, the canvas's up).
    text.replace("width=\"100%\" height=\"100%\"", "width=\"900\" height=\"900\"");
    QFile sized(w.dir.filePath("sized.svg"));
    ASSERT_TRUE(sized.open(QIODevice::WriteOnly));
    sized.write(text.toUtf8());
    sized.close();
    const QString png = w.dir.filePath("svg.png");
    ASSERT_EQ(run("rsvg-convert", {"-b", "white", "-o", png, sized.fileName()}, &said), 0)
        << said.toStdString();
    const QImage rendered = QImage(png).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(rendered.size(), QSize(900, 900));

    // Canvas (x, y) lies at window pixel (x + 50, 949 - y) and at SVG pixel (x, y).
    auto inCanvas = [&](int x, int y) { return dark(canvas.pixelColor(x + 50, 949 - y)); };
    auto inSvg = [&](int x, int y) { return dark(rendered.pixelColor(x, y)); };
    // Edges are anti-aliased differently (and the SVG's quads leave hairline seams), so a
    // pixel only disagrees when the other picture has nothing alike within one pixel.
    auto near = [](auto&& img, int x, int y, bool want) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (img(x + dx, y + dy) == want) return true;
        return false;
    };
    // The export leaves out the round end caps: skip the pixels around every stroke's ends.
    auto atAnEnd = [&](int x, int y) {
        for (const auto& pts : page)
            for (const ControlPoint* e : {&pts.front(), &pts.back()})
                if (std::hypot(e->x - x, e->y - y) < e->r + 2.5f) return true;
        return false;
    };
    int darkEither = 0, disagree = 0;
    // The strokes' area, clear of the screen band and its shadow at the window's edges.
    for (int y = 400; y < 875; ++y)
        for (int x = 330; x < 870; ++x) {
            if (atAnEnd(x, y)) continue;
            const bool a = inCanvas(x, y), b = inSvg(x, y);
            darkEither += a || b;
            if (a != b) disagree += !near(inSvg, x, y, a) || !near(inCanvas, x, y, b);
        }
    ASSERT_GT(darkEither, 5000);
    EXPECT_LT(disagree, darkEither / 100) << disagree << " of " << darkEither;
}
