// The teacher's material against pdftoppm drawing the same page at the same size, in the
// same run: an import of a 200-page PDF until its first page is drawn, a page flip, a
// zoom to 4, and the memory kept after paging through every page.
#include <benchmark/benchmark.h>

#include <QProcess>
#include <chrono>
#include <cmath>
#include <fstream>
#include <unistd.h>

#include <QTemporaryDir>
#include "io/PageFile.h"
#include "material/BackgroundRenderer.h"
#include "MaterialBench.h"
#include "material/MaterialFiles.h"
#include "material/BackgroundSource.h"
#include "material/QtMaterialInspector.h"

namespace {
using Clock = std::chrono::steady_clock;

struct TempDir {
    QTemporaryDir dir;
    std::string path() const { return dir.path().toStdString(); }
    std::string file(const std::string& name) const { return path() + "/" + name; }
};

using material_bench::longPdf;

// pdftoppm drawing one page, its long side `box` pixels, as a user would run it.
void pdftoppm(const std::string& pdf, int page, int box, const std::string& out) {
    QProcess p;
    p.start("pdftoppm", {"-f", QString::number(page), "-l", QString::number(page), "-scale-to",
                         QString::number(box), "-png", "-singlefile",
                         QString::fromStdString(pdf), QString::fromStdString(out)});
    p.waitForFinished(60000);
}

BackgroundCache::Entry drawn(BackgroundRenderer& r, const std::string& file, int page, int box) {
    r.show(file, page, box);
    r.waitIdle();
    return r.show(file, page, box);
}

double residentMiB() {
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1 << 20);
}

void BM_ImportUntilFirstPageShown(benchmark::State& state) {
    TempDir source;
    material_test::writeFile(source.file("long.pdf"), longPdf());
    QtMaterialInspector inspector;
    for (auto _ : state) {
        TempDir lesson;
        const auto start = Clock::now();
        material::importFile(lesson.path(), source.file("long.pdf"), 0, inspector);
        const std::string file = io::readPageFile(lesson.file("0.xml"))->style.background;
        BackgroundRenderer renderer(lesson.path());
        benchmark::DoNotOptimize(drawn(renderer, file, 1, backgroundBox(1.0f)));
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
}
BENCHMARK(BM_ImportUntilFirstPageShown)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_PdftoppmFirstPage(benchmark::State& state) {
    TempDir dir;
    material_test::writeFile(dir.file("long.pdf"), longPdf());
    for (auto _ : state) pdftoppm(dir.file("long.pdf"), 1, backgroundBox(1.0f), dir.file("out"));
}
BENCHMARK(BM_PdftoppmFirstPage)->UseRealTime()->Unit(benchmark::kMillisecond);

// Arg: the zoom. A flip shows the next page at that zoom, until its render is in.
void BM_FlipToPdfPage(benchmark::State& state) {
    TempDir lesson;
    material_test::writeFile(lesson.file("long.pdf"), longPdf());
    const int box = backgroundBox(static_cast<float>(state.range(0)));
    BackgroundRenderer renderer(lesson.path());
    drawn(renderer, "long.pdf", 1, box);
    int page = 1;
    for (auto _ : state) {
        page = page % 200 + 1;
        benchmark::DoNotOptimize(drawn(renderer, "long.pdf", page, box));
    }
}
BENCHMARK(BM_FlipToPdfPage)->Arg(1)->Arg(4)->UseRealTime()->Unit(benchmark::kMillisecond);

// The zoom from 1 to 4 on a page on show, until the sharp render is in.
void BM_ZoomToFour(benchmark::State& state) {
    TempDir lesson;
    material_test::writeFile(lesson.file("long.pdf"), longPdf());
    int page = 1;
    for (auto _ : state) {
        state.PauseTiming();
        // A renderer of its own each time, so that the zoomed render is never cached.
        auto renderer = std::make_unique<BackgroundRenderer>(lesson.path());
        page = page % 200 + 1;
        drawn(*renderer, "long.pdf", page, backgroundBox(1.0f));
        state.ResumeTiming();
        benchmark::DoNotOptimize(drawn(*renderer, "long.pdf", page, backgroundBox(4.0f)));
        state.PauseTiming();
        renderer.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ZoomToFour)->UseRealTime()->Unit(benchmark::kMillisecond);

// A 1920 x 1080 view on the middle of the page at zoom 8, as the frame asks for it: the
// part in view at the resolution zoom 8 needs (8192 pixels to the page's long side).
PageRegion partAtEight() {
    const float h = std::hypot(1920.0f, 1080.0f) / 8.0f / 2.0f;
    return partInView(450.0f - h, 450.0f - h, 450.0f + h, 450.0f + h);
}

// The zoom from 4 to 8 on a page on show, until the part in view is drawn sharp.
void BM_ZoomToEightPartInView(benchmark::State& state) {
    TempDir lesson;
    material_test::writeFile(lesson.file("long.pdf"), longPdf());
    const int box = backgroundBox(8.0f);
    int page = 1;
    for (auto _ : state) {
        state.PauseTiming();
        auto renderer = std::make_unique<BackgroundRenderer>(lesson.path());
        page = page % 200 + 1;
        drawn(*renderer, "long.pdf", page, kMaxWholeBox);
        state.ResumeTiming();
        renderer->showPart("long.pdf", page, box, partAtEight());
        renderer->waitIdle();
        const BackgroundCache::Entry part = renderer->showPart("long.pdf", page, box, partAtEight());
        state.PauseTiming();
        state.counters["part_px"] = part ? part->image.width() * part->image.height() : 0;
        renderer.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ZoomToEightPartInView)->UseRealTime()->Unit(benchmark::kMillisecond);

// pdftoppm drawing the same part of the page at the same resolution (-x -y -W -H).
void BM_PdftoppmPartAtEight(benchmark::State& state) {
    TempDir dir;
    material_test::writeFile(dir.file("long.pdf"), longPdf());
    const int box = backgroundBox(8.0f);
    const io::Placement whole = io::fitOnPage(595.276, 841.89);
    const PageRegion r = partAtEight();
    const double k = box / 900.0;
    const QStringList crop{"-x", QString::number(std::lround((r[0] - whole.x) * k)), "-y",
                           QString::number(std::lround((900 - r[3]) * k)), "-W",
                           QString::number(std::lround((r[2] - r[0]) * k)), "-H",
                           QString::number(std::lround((r[3] - r[1]) * k))};
    int page = 1;
    for (auto _ : state) {
        page = page % 200 + 1;
        QProcess p;
        p.start("pdftoppm", QStringList{"-f", QString::number(page), "-l", QString::number(page), "-r",
                                        QString::number(72.0 * box / 841.89, 'f', 4)} +
                                crop + QStringList{"-png", "-singlefile", QString::fromStdString(dir.file("long.pdf")),
                                                   QString::fromStdString(dir.file("out"))});
        p.waitForFinished(60000);
    }
}
BENCHMARK(BM_PdftoppmPartAtEight)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_PdftoppmPage(benchmark::State& state) {
    TempDir dir;
    material_test::writeFile(dir.file("long.pdf"), longPdf());
    int page = 1;
    for (auto _ : state) {
        page = page % 200 + 1;
        pdftoppm(dir.file("long.pdf"), page, backgroundBox(static_cast<float>(state.range(0))),
                 dir.file("out"));
    }
}
BENCHMARK(BM_PdftoppmPage)->Arg(1)->Arg(4)->UseRealTime()->Unit(benchmark::kMillisecond);

// Paging through the 200 pages twice at zoom 1 and at zoom 4: the cache's bytes and the
// process's growth against the 256 MiB budget.
void BM_MemoryAfterPaging(benchmark::State& state) {
    TempDir lesson;
    material_test::writeFile(lesson.file("long.pdf"), longPdf());
    for (auto _ : state) {
        const double before = residentMiB();
        BackgroundRenderer renderer(lesson.path());
        for (int round = 0; round < 2; ++round)
            for (int page = 1; page <= 200; ++page)
                drawn(renderer, "long.pdf", page, backgroundBox(static_cast<float>(state.range(0))));
        state.counters["cache_MiB"] = static_cast<double>(renderer.cachedBytes()) / (1 << 20);
        state.counters["growth_MiB"] = residentMiB() - before;
        state.counters["budget_MiB"] = static_cast<double>(BackgroundRenderer::kDefaultBudget >> 20);
    }
}
BENCHMARK(BM_MemoryAfterPaging)->Arg(1)->Arg(4)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
