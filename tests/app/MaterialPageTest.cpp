// A worksheet brought into a lesson in a real window: its pages follow the last page, each
// shows its own PDF page under the ink, and the ink stays on that page once saved, shown
// again and read back after a restart; zoomed in all the way, the page is sharp.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "PagePictures.h"
#include "WindowHarness.h"
#include "controller/CanvasController.h"
#include "document/Drawing.h"
#include "material/BackgroundRenderer.h"
#include "material/MaterialFiles.h"

TEST(MaterialPage, ImportedWorksheetLiesUnderTheInkOfItsOwnPage) {
    QTemporaryDir elsewhere;
    const std::string sheet = elsewhere.filePath("sheet.pdf").toStdString();
    material_test::writeFile(sheet, material_test::worksheetPdf(3));
    WindowHarness w(1000, 1000);
    ASSERT_TRUE(w.exposed);
    CanvasController& c = w.manager().controller();
    c.setMenuHome(Vec2(-1000.0f, -1000.0f));
    ASSERT_TRUE(w.widget->importMaterial({sheet}));
    EXPECT_EQ(c.pages().current(), 1);
    ASSERT_TRUE(c.flipToNextPage());
    // Worksheet page N has a blue bar 40 N points lower than page 0 would; A4 fills the
    // page's height.
    const Vec2 origin = w.manager().drawing().view.screenToCanvas(Vec2(0, 0));
    const auto blueAt = [&](int page) {
        w.widget->grabFramebuffer();
        w.manager().backgrounds()->waitIdle();
        w.settle(100);  // the frames that put the render up
        const float top = (200.0f + 40.0f * page + 10.0f) * 900.0f / 842.0f;
        const float x = (900.0f - 900.0f * 595 / 842) / 2 + 150.0f - origin.x;
        const float y = 900.0f - top - origin.y;
        const QColor p = w.widget->grabFramebuffer().pixelColor(static_cast<int>(x), 999 - static_cast<int>(y));
        return p.blue() > 200 && p.red() < 80;
    };
    EXPECT_TRUE(blueAt(2));
    EXPECT_FALSE(blueAt(1));

    c.onPress(300, 700, 0, 1.0f);
    for (int x = 300; x <= 700; x += 20) c.onDrag(static_cast<float>(x), 700, 1.0f);
    c.onRelease(700, 700, 0);
    ASSERT_TRUE(c.flipToPreviousPage());
    EXPECT_TRUE(blueAt(1));
    EXPECT_EQ(w.manager().drawing().strokes.count(), 0u);
    ASSERT_TRUE(c.flipToNextPage());
    EXPECT_EQ(w.manager().drawing().strokes.count(), 1u);
    EXPECT_EQ(w.manager().drawing().style.backgroundPage, 2u);
    // Saved with "S" and read back by a new run: the ink is still on worksheet page 2.
    for (int run = 0; run < 2; ++run) {
        EXPECT_TRUE(blueAt(2));
        EXPECT_LT(w.widget->grabFramebuffer().pixelColor(500, 300).lightness(), 80);
        if (run == 1) break;
        w.manager().onKey("S");
        w.restart();
        ASSERT_TRUE(w.exposed);
        w.manager().controller().setMenuHome(Vec2(-1000.0f, -1000.0f));
        ASSERT_TRUE(w.manager().controller().flipToNextPage());
        EXPECT_EQ(w.manager().drawing().strokes.count(), 0u);
        EXPECT_EQ(w.manager().drawing().style.backgroundPage, 1u);
        ASSERT_TRUE(w.manager().controller().flipToNextPage());
        EXPECT_EQ(w.manager().drawing().strokes.count(), 1u);
        EXPECT_EQ(w.manager().drawing().style.backgroundPage, 2u);
    }
    // At the largest zoom as sharp as the screen: the bar's top edge goes from white to blue
    // within a pixel (the whole page's render, stretched 2.2 times, takes two or more).
    // Worksheet page 1: its bar's edge lies within a pixel of the whole render's, which
    // blurs it.
    ASSERT_TRUE(w.manager().controller().flipToPreviousPage());
    View& view = w.manager().drawing().view;
    view.zoom = View::kMaxZoom;
    view.anchor(Vec2(300.0f, 900.0f - 240.0f * 900.0f / 842.0f), Vec2(500.0f, 500.0f));
    int mixed = 0, blue = 0;
    for (int frame = 0; frame < 200 && (mixed > 1 || blue < 9); ++frame) {
        const QImage image = w.widget->grabFramebuffer();
        w.manager().backgrounds()->waitIdle();
        mixed = blue = 0;
        for (int y = 490; y <= 510; ++y) {
            const QColor p = image.pixelColor(500, 999 - y);
            (p.blue() > 200 && p.red() < 60 ? blue : mixed) += p.lightness() <= 240;
        }
    }
    EXPECT_LE(mixed, 1);
    EXPECT_NEAR(blue, 10, 1);
}

// "P" keeps a PDF background as the original's vector page (pdftotext reads its words),
// "O" draws it under the ink, as the frame does, and "E" holds it as a picture.
TEST(MaterialPage, ExportsKeepTheMaterial) {
    QTemporaryDir elsewhere;
    const std::string sheet = elsewhere.filePath("sheet.pdf").toStdString();
    material_test::writeFile(sheet, material_test::worksheetPdf(2));
    WindowHarness w(1000, 1000);
    ASSERT_TRUE(w.exposed);
    CanvasController& c = w.manager().controller();
    ASSERT_TRUE(w.widget->importMaterial({sheet}));
    c.onPress(300, 700, 0, 1.0f);
    for (int x = 300; x <= 700; x += 20) c.onDrag(static_cast<float>(x), 700, 1.0f);
    c.onRelease(700, 700, 0);
    w.manager().onKey("P");
    c.finishExports();
    QString text;
    ASSERT_EQ(ink::run("pdftotext", {w.dir.filePath("pages.pdf"), "-"}, &text), 0);
    EXPECT_EQ(text.count("Worksheet 1"), 1) << text.toStdString();
    EXPECT_EQ(text.count("Worksheet 2"), 1);
    // Page 1 of the PDF drawn as pdftoppm draws it: the worksheet's bar under the stroke.
    ASSERT_EQ(ink::run("pdftoppm", {"-f", "2", "-l", "2", "-r", "72", "-png", "-singlefile",
                                    w.dir.filePath("pages.pdf"), w.dir.filePath("p1")}), 0);
    w.manager().onKey("O");
    c.finishExports();
    w.manager().onKey("E");
    QFile svg(w.dir.filePath("1.svg"));
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    const QByteArray svgText = svg.readAll();
    EXPECT_TRUE(svgText.contains("<image x=\"132."));
    const QImage pdfPage(w.dir.filePath("p1.png"));
    const QImage png(w.dir.filePath("1.png"));
    ASSERT_EQ(pdfPage.size(), QSize(900, 900));
    ASSERT_EQ(png.size(), QSize(1800, 1800));
    const float barY = (200.0f + 40.0f + 10.0f) * 900.0f / 842.0f;  // from the top
    const float barX = (900.0f - 900.0f * 595 / 842) / 2 + 150.0f;
    for (const QColor p : {pdfPage.pixelColor(barX, barY), png.pixelColor(2 * barX, 2 * barY)})
        EXPECT_TRUE(p.blue() > 200 && p.red() < 80) << p.name().toStdString();

    // Each export against the frame, pixel by pixel over the page clear of the screen's
    // band: canvas (x, y) is window pixel (x + 50, 949 - y), SVG pixel (x, y), PDF pixel
    // (x, 899 - y), PNG pixel (2x, 1799 - 2y). The SVG leaves out the stroke's round ends.
    c.setMenuHome(Vec2(-1000.0f, -1000.0f));
    w.widget->grabFramebuffer();
    w.manager().backgrounds()->waitIdle();
    w.settle(200);
    const QImage frame = w.widget->grabFramebuffer();
    QString said;
    const QImage svgPage = ink::renderSvg(QString::fromUtf8(svgText), w.dir.path(), &said);
    ASSERT_EQ(svgPage.size(), QSize(900, 900)) << said.toStdString();
    const auto& ends = w.manager().drawing().strokes.begin()->points;
    const auto nearAnEnd = [&](int x, int y) {
        return std::hypot(x - ends.front().x, y - ends.front().y) < 20.0f ||
               std::hypot(x - ends.back().x, y - ends.back().y) < 20.0f;
    };
    const auto inFrame = [&](int x, int y) { return ink::classOf(frame.pixelColor(x + 50, 949 - y)); };
    const struct {
        const char* name;
        std::function<int(int, int)> at;
    } exports[] = {
        {"SVG", [&](int x, int y) { return ink::classOf(svgPage.pixelColor(x, y)); }},
        {"PDF", [&](int x, int y) { return ink::classOf(pdfPage.pixelColor(x, 899 - y)); }},
        {"PNG", [&](int x, int y) { return ink::classOf(png.pixelColor(2 * x, 1799 - 2 * y)); }},
    };
    for (const auto& e : exports) {
        const ink::Agreement a = ink::compare(inFrame, e.at, 30, 30, 870, 870, nearAnEnd);
        EXPECT_GT(a.inked, 8000) << e.name;
        EXPECT_LT(a.disagree, a.inked / 100) << e.name << ": " << a.disagree << " of " << a.inked;
    }
}
