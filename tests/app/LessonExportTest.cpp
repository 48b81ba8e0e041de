// The hand-outs through their real clients: the PDF read by pdfinfo and drawn by pdftoppm
// against the SVG export's picture of each page, the PNG against the window's frame at the
// same zoom.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QRegularExpression>
#include <cmath>
#include <fstream>

#include "PagePictures.h"
#include "WindowHarness.h"
#include "controller/CanvasController.h"
#include "document/Drawing.h"

namespace {

// The recorded page split in two: strokes with an even index on one page, odd on another.
io::PageContent half(const io::PageContent& page, std::size_t parity) {
    io::PageContent out;
    for (std::size_t i = parity; i < page.strokes.size(); i += 2) {
        out.strokes.push_back(page.strokes[i]);
        out.colours.push_back(page.colours[i]);
    }
    return out;
}

// Pixels within reach of a stroke's ends, which the export outlines leave uncapped.
auto endsOf(const std::vector<io::PageContent>& pages) {
    return [pages](int x, int y) {
        for (const auto& page : pages)
            for (const auto& pts : page.strokes)
                for (const ControlPoint* e : {&pts.front(), &pts.back()})
                    if (std::hypot(e->x - x, e->y - y) < e->r + 2.5f) return true;
        return false;
    };
}

}  // namespace

TEST(LessonExport, PdfHasOnePagePerReadablePageFileDrawnLikeItsSvg) {
    WindowHarness w(1000, 1000);
    ASSERT_TRUE(w.exposed);
    const io::PageContent all = ink::recordedPage();
    const io::PageContent even = half(all, 0), odd = half(all, 1);
    ASSERT_TRUE(ink::writePage("0.xml", even));
    { std::ofstream("1.xml") << "<Drawing><Stroke>"; }
    ASSERT_TRUE(ink::writePage("2.xml", odd));
    w.manager().onKey("L");  // page 0, shown with every stroke of the file

    testing::internal::CaptureStdout();
    w.manager().onKey("P");
    w.manager().controller().finishExports();
    const std::string said = testing::internal::GetCapturedStdout();
    EXPECT_NE(said.find("Could not read 1.xml; it is left out of pages.pdf"), std::string::npos)
        << said;
    const QString pdf = w.dir.filePath("pages.pdf");
    QString info;
    ASSERT_EQ(ink::run("pdfinfo", {pdf}, &info), 0) << info.toStdString();
    EXPECT_TRUE(info.contains(QRegularExpression("Pages:\\s+2\\n"))) << info.toStdString();
    EXPECT_TRUE(info.contains(QRegularExpression("Page size:\\s+900 x 900 pts")))
        << info.toStdString();

    ASSERT_EQ(ink::run("pdftoppm", {"-r", "72", "-png", pdf, w.dir.filePath("pdf")}, &info), 0)
        << info.toStdString();
    const std::vector<io::PageContent> pages{even, odd};
    for (std::size_t n = 0; n < pages.size(); ++n) {
        const QImage drawn = QImage(w.dir.filePath(QString("pdf-%1.png").arg(n + 1)))
                                 .convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(drawn.size(), QSize(900, 900)) << n;
        const auto outlines = exportOutlines(pages[n]);
        const QString svg = QString::fromStdString(io::formatSvg(outlines));
        const QImage reference = ink::renderSvg(svg, w.dir.path(), &info);
        ASSERT_EQ(reference.size(), QSize(900, 900)) << info.toStdString();
        // The PDF shows the page upright as the screen does; the SVG runs y down.
        auto inPdf = [&](int x, int y) { return ink::classOf(drawn.pixelColor(x, 899 - y)); };
        auto inSvg = [&](int x, int y) { return ink::classOf(reference.pixelColor(x, y)); };
        const ink::Agreement a = ink::compare(inPdf, inSvg, 1, 1, 899, 899, endsOf({pages[n]}));
        ASSERT_GT(a.inked, 2000) << n;
        EXPECT_LT(a.disagree, a.inked / 100)
            << "page " << n << ": " << a.disagree << " of " << a.inked;
    }
}

TEST(LessonExport, PngIsThePageAtTwiceItsSizeAsTheFrameShowsItAtZoomTwo) {
    WindowHarness w(1000, 1000);
    ASSERT_TRUE(w.exposed);
    const io::PageContent page = ink::recordedPage();
    ASSERT_TRUE(ink::writePage("0.xml", page));
    w.manager().onKey("L");
    w.manager().onKey("O");
    w.manager().controller().finishExports();
    const QImage png = QImage(w.dir.filePath("0.png")).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(png.size(), QSize(1800, 1800));
    EXPECT_EQ(ink::classOf(png.pixelColor(5, 5)), 0) << "white paper";

    // The frame at zoom 2 showing canvas x 350..850, y 400..900 (screen = 2 * canvas +
    // (-700, -800)), with the menu out of the way.
    Drawing& d = w.manager().drawing();
    CanvasController& c = w.manager().controller();
    c.setMenuHome(Vec2(-1000.0f, -1000.0f));
    d.view.zoom = 2.0f;
    d.view.panX = -100.0f;
    d.view.panY = -150.0f;
    d.refreshVisibleStrokes();
    const QImage frame = w.widget->grabFramebuffer().convertToFormat(QImage::Format_RGB32);

    // Both in doubled canvas pixels (X, Y) = 2 * canvas, y up.
    auto inPng = [&](int x, int y) { return ink::classOf(png.pixelColor(x, 1799 - y)); };
    auto inFrame = [&](int x, int y) {
        return ink::classOf(frame.pixelColor(x - 700, 999 - (y - 800)));
    };
    auto none = [](int, int) { return false; };
    // Screen 80..920 on both axes, clear of the band.
    const ink::Agreement a = ink::compare(inPng, inFrame, 780, 880, 1620, 1720, none);
    ASSERT_GT(a.inked, 20000);
    EXPECT_LT(a.disagree, a.inked / 100) << a.disagree << " of " << a.inked;
}
