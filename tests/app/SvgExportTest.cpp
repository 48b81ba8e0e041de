// The SVG export's client is a real SVG renderer: every exported file must be valid SVG 1.1
// and render to the same picture as the program's own drawing of the page, colours included.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <cmath>

#include "PagePictures.h"
#include "WindowHarness.h"
#include "controller/CanvasController.h"

namespace {
constexpr const char* kSvgDtd =
    "/usr/share/xml/w3c-sgml-lib/schema/dtd/REC-SVG11-20110816/svg11.dtd";
}  // namespace

TEST(SvgExport, ValidSvgOfFiniteNumbersThatRendersLikeTheCanvas) {
    WindowHarness w(1000, 1000);
    ASSERT_TRUE(w.exposed);
    const io::PageContent page = ink::recordedPage();
    ASSERT_TRUE(ink::writePage("0.xml", page));
    w.manager().onKey("L");
    w.manager().onKey("E");
    const QImage canvas = w.widget->grabFramebuffer().convertToFormat(QImage::Format_RGB32);

    QString said;
    ASSERT_EQ(
        ink::run("xmllint", {"--noout", "--dtdvalid", kSvgDtd, w.dir.filePath("0.svg")}, &said), 0)
        << said.toStdString();

    QFile svg(w.dir.filePath("0.svg"));
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(svg.readAll());
    EXPECT_GT(text.count("<polygon"), 500);
    EXPECT_FALSE(
        text.contains(QRegularExpression("nan|inf", QRegularExpression::CaseInsensitiveOption)));
    for (const Rgb& c : kPalette)
        EXPECT_TRUE(text.contains(QString("fill:rgb(%1,%2,%3);").arg(c.r).arg(c.g).arg(c.b)));

    const QImage rendered = ink::renderSvg(text, w.dir.path(), &said);
    ASSERT_EQ(rendered.size(), QSize(900, 900)) << said.toStdString();

    // Canvas (x, y) lies at window pixel (x + 50, 949 - y) and at SVG pixel (x, y).
    auto inCanvas = [&](int x, int y) { return ink::classOf(canvas.pixelColor(x + 50, 949 - y)); };
    auto inSvg = [&](int x, int y) { return ink::classOf(rendered.pixelColor(x, y)); };
    // The export leaves out the round end caps: skip the pixels around every stroke's ends.
    auto atAnEnd = [&](int x, int y) {
        for (const auto& pts : page.strokes)
            for (const ControlPoint* e : {&pts.front(), &pts.back()})
                if (std::hypot(e->x - x, e->y - y) < e->r + 2.5f) return true;
        return false;
    };
    // The strokes' area, clear of the screen band and its shadow at the window's edges.
    const ink::Agreement a = ink::compare(inCanvas, inSvg, 330, 400, 870, 875, atAnEnd);
    ASSERT_GT(a.inked, 5000);
    EXPECT_LT(a.disagree, a.inked / 100) << a.disagree << " of " << a.inked;
}
