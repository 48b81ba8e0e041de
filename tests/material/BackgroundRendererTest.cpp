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

    QProcess p;
    p.start("pdftoppm", {"-f", "2", "-l", "2", "-scale-to", "1218", "-png", "-singlefile",
                         QString::fromStdString(lesson.file("m.pdf")),
                         QString::fromStdString(lesson.file("ref"))});
    ASSERT_TRUE(p.waitForFinished(60000) && p.exitCode() == 0);
    const QImage ref = QImage(QString::fromStdString(lesson.file("ref.png"))).convertToFormat(QImage::Format_RGBA8888);
    ASSERT_FALSE(ref.isNull());
    EXPECT_LE(std::abs(ref.width() - page->image.width()), 1);
    EXPECT_LE(std::abs(ref.height() - page->image.height()), 1);
    long long differing = 0, dark = 0;
    const int w = std::min(ref.width(), page->image.width());
    const int h = std::min(ref.height(), page->image.height());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const QColor a = page->image.pixelColor(x, y), b = ref.pixelColor(x, y);
            dark += a.lightness() < 128;
            differing += std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
                             std::abs(a.blue() - b.blue()) > 48;
        }
    EXPECT_GT(dark, 1000);  // the text and the frame are there
    EXPECT_LT(differing, static_cast<long long>(w) * h / 1000);
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
}
