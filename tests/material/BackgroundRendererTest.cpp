// Renders off the GUI thread, checked against pdftoppm's picture of the same page at the
// same size; a lesson paged through twice stays within the cache's budget.
#include <gtest/gtest.h>

#include <QProcess>

#include "MaterialFiles.h"
#include "io/IoTestSupport.h"
#include "material/BackgroundRenderer.h"

using namespace material_test;

namespace {
BackgroundCache::Entry rendered(BackgroundRenderer& r, const std::string& file, int page, int box) {
    r.show(file, page, box);
    r.waitIdle();
    return r.show(file, page, box);
}

// pdftoppm's picture of `page` of `pdf` with `args` (its size, a crop), as RGBA.
QImage pdftoppm(const std::string& pdf, int page, QStringList args, const std::string& out) {
    QProcess p;
    p.start("pdftoppm", QStringList{"-f", QString::number(page), "-l", QString::number(page)} + args +
                            QStringList{"-png", "-singlefile", QString::fromStdString(pdf),
                                        QString::fromStdString(out)});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) return {};
    return QImage(QString::fromStdString(out + ".png")).convertToFormat(QImage::Format_RGBA8888);
}

// Expects `image` to be `ref` to within a pixel on each side, a thousandth of its pixels
// differing, with ink on it.
void expectSamePicture(const QImage& image, const QImage& ref) {
    ASSERT_FALSE(ref.isNull());
    EXPECT_LE(std::abs(ref.width() - image.width()), 1);
    EXPECT_LE(std::abs(ref.height() - image.height()), 1);
    long long differing = 0, dark = 0;
    const int w = std::min(ref.width(), image.width());
    const int h = std::min(ref.height(), image.height());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const QColor a = image.pixelColor(x, y), b = ref.pixelColor(x, y);
            dark += a.lightness() < 128;
            differing += std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
                             std::abs(a.blue() - b.blue()) > 48;
        }
    EXPECT_GT(dark, 1000);  // the text, the frame or the bar are there
    EXPECT_LT(differing, static_cast<long long>(w) * h / 1000);
}
}  // namespace

TEST(BackgroundRenderer, PdfPageMatchesPdftoppmAtTheSameSize) {
    iotest::TempDir lesson;
    writeFile(lesson.file("m.pdf"), worksheetPdf(3));
    BackgroundRenderer renderer(lesson.path());
    const BackgroundCache::Entry page = rendered(renderer, "m.pdf", 2, 1218);
    ASSERT_TRUE(page && !page->image.isNull());
    // A4 fitted in the page square: full height, centred across.
    EXPECT_NEAR(page->placement.height, 900.0f, 0.01f);
    EXPECT_NEAR(page->placement.width, 900.0f * 595 / 842, 1.0f);
    EXPECT_NEAR(page->placement.x, (900.0f - page->placement.width) / 2, 0.01f);

    expectSamePicture(page->image, pdftoppm(lesson.file("m.pdf"), 2, {"-scale-to", "1218"},
                                            lesson.file("ref")));
}

// Past the size of whole renders, the part of the page in view is drawn at the size the
// view needs, placed where it lies: as pdftoppm crops the page at that resolution.
TEST(BackgroundRenderer, PartInViewIsDrawnSharpWhereItLies) {
    EXPECT_EQ(partInView(200, 600, 300, 700), (PageRegion{128, 512, 384, 768}));
    EXPECT_EQ(partInView(-500, -500, 2000, 2000), (PageRegion{0, 0, 900, 900}));
    EXPECT_EQ(partInView(901, 100, 1200, 200), PageRegion{});
    iotest::TempDir lesson;
    writeFile(lesson.file("m.pdf"), worksheetPdf(3));
    BackgroundRenderer renderer(lesson.path());
    const io::Placement whole = rendered(renderer, "m.pdf", 2, 1024)->placement;
    const int box = 8192;
    const PageRegion region = partInView(150, 500, 400, 700);  // the heading's end, the bar
    renderer.showPart("m.pdf", 2, box, region);
    renderer.waitIdle();
    const BackgroundCache::Entry part = renderer.showPart("m.pdf", 2, box, region);
    ASSERT_TRUE(part && !part->image.isNull());
    const float k = box / 900.0f;
    const io::Placement& p = part->placement;
    EXPECT_NEAR(p.x, std::max<float>(region[0], whole.x), 1 / k);
    EXPECT_NEAR(p.y, region[1], 1 / k);
    EXPECT_NEAR(p.width * k, part->image.width(), 0.01f);
    EXPECT_NEAR(p.height * k, part->image.height(), 0.01f);
    EXPECT_NEAR(p.y + p.height, region[3], 1 / k);
    const double dpi = 72.0 * box / 841.89;  // A4's long side, in points
    const long x = std::lround((p.x - whole.x) * k), y = std::lround((whole.y + whole.height - p.y - p.height) * k);
    expectSamePicture(part->image,
                      pdftoppm(lesson.file("m.pdf"), 2,
                               {"-r", QString::number(dpi, 'f', 6), "-x", QString::number(x), "-y",
                                QString::number(y), "-W", QString::number(part->image.width()),
                                "-H", QString::number(part->image.height())},
                               lesson.file("part")));
    EXPECT_EQ(renderer.showPart("m.pdf", 2, box, PageRegion{}), nullptr);
}

TEST(BackgroundRenderer, StaysWithinItsBudgetAndSaysOnceWhatCannotBeShown) {
    iotest::TempDir lesson;
    writeFile(lesson.file("long.pdf"), worksheetPdf(200));
    writeFile(lesson.file("bad.pdf"), "%PDF-1.4\n%%EOF\n");
    const std::size_t budget = std::size_t{8} << 20;
    BackgroundRenderer renderer(lesson.path(), {}, budget);
    for (int round = 0; round < 2; ++round)
        for (int page = 1; page <= 200; ++page) {
            const auto shown = rendered(renderer, "long.pdf", page, 724);
            ASSERT_TRUE(shown) << page;
            ASSERT_LE(renderer.cachedBytes(), budget);
        }
    // Until a sharper render is in, the last one is shown scaled.
    EXPECT_EQ(renderer.show("long.pdf", 200, 2048)->image.height(), 724);
    renderer.waitIdle();
    EXPECT_EQ(renderer.show("long.pdf", 200, 2048)->image.height(), 2048);

    testing::internal::CaptureStdout();
    for (const char* file : {"gone.pdf", "bad.pdf", "gone.pdf", "bad.pdf"})
        EXPECT_EQ(rendered(renderer, file, 1, 512), nullptr);
    EXPECT_EQ(rendered(renderer, "long.pdf", 201, 512), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "The background gone.pdf (page 1) is missing; the page shows its ink on white\n"
              "The background bad.pdf (page 1) is damaged (it cannot be opened as a PDF); the page shows its ink on white\n"
              "The background long.pdf (page 201) has no page 201; the page shows its ink on white\n");
    // A missing file put back is drawn after all.
    writeFile(lesson.file("gone.pdf"), worksheetPdf(1));
    EXPECT_NE(rendered(renderer, "gone.pdf", 1, 512), nullptr);
}
