// Finding the strokes in view without walking the page: the box grid against a model, and
// strokesInView against the walk over the list on pages with the strokes the segment index
// leaves out (one-point strokes, strokes beyond the page).
#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <random>

#include "DocumentInvariants.h"
#include "DrawingFixture.h"
#include "document/StrokeBoxGrid.h"
#include "io/PageFile.h"

namespace {
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// Coordinates that often fall on cell edges (multiples of 900/128) and on each other, so
// touching boxes and boundary cells come up, with now and then a far or non-finite value.
float coordinate(std::mt19937& rng) {
    std::uniform_int_distribution<int> pick(0, 99);
    const int k = pick(rng);
    if (k < 40) return (900.0f / 128.0f) * static_cast<float>(pick(rng) * 2 - 40);
    if (k < 90) return std::uniform_real_distribution<float>(-200.0f, 1100.0f)(rng);
    if (k < 94) return k % 2 ? 1e30f : -1e30f;
    if (k < 97) return k % 2 ? kInf : -kInf;
    return kNaN;
}

Rect randomBox(std::mt19937& rng) {
    const float x = coordinate(rng), y = coordinate(rng);
    std::uniform_real_distribution<float> size(0.0f, 1.0f);
    const float s = size(rng);
    // Mostly small, some cell-sized, a few larger than the page; now and then inverted.
    const float w = s < 0.6f ? 3.0f * size(rng) : s < 0.9f ? 60.0f * size(rng) : 2000.0f * size(rng);
    const float h = w * (0.2f + size(rng));
    if (s > 0.97f) return Rect(x, y, x - w, y - h);
    return Rect(x, y, x + w, y + h);
}

bool finiteBox(const Rect& r) {
    return std::isfinite(r.minX) && std::isfinite(r.minY) && std::isfinite(r.maxX) &&
           std::isfinite(r.maxY);
}
}  // namespace

TEST(StrokeBoxGrid, FindsExactlyTheKeptBoxesThatMeetARectangle) {
    std::mt19937 rng(1207);
    std::vector<Stroke> strokes(400);
    std::map<const Stroke*, Rect> model;
    StrokeBoxGrid grid(900.0f, 900.0f);
    std::uniform_int_distribution<std::size_t> which(0, strokes.size() - 1);
    for (int round = 0; round < 60; ++round) {
        for (int op = 0; op < 80; ++op) {
            Stroke& s = strokes[which(rng)];
            if (rng() % 4 == 0) {
                grid.erase(s);
                model.erase(&s);
            } else {
                const Rect box = randomBox(rng);
                grid.place(s, box);
                model[&s] = box;
            }
        }
        ASSERT_EQ(grid.size(), model.size());
        for (int q = 0; q < 40; ++q) {
            const Rect r = randomBox(rng);
            std::vector<Stroke*> want, got;
            for (const auto& [s, box] : model) {
                const Rect kept = finiteBox(box) ? box : Rect(-kInf, -kInf, kInf, kInf);
                if (kept.overlaps(r)) want.push_back(const_cast<Stroke*>(s));
            }
            grid.query(r, got);
            std::sort(want.begin(), want.end());
            std::sort(got.begin(), got.end());
            ASSERT_EQ(got, want) << "round " << round << " query " << r.minX << " " << r.minY
                                 << " " << r.maxX << " " << r.maxY;
        }
    }
}

// A page with one-point strokes, strokes reaching beyond the page and strokes wholly off it,
// edited by erasing, moving the selection off the page and deforming; after each step the
// view finds what a walk over the list finds, for the fixed regions and random ones.
TEST_F(DrawingTest, StrokesInViewMatchAWalkOverTheList) {
    std::mt19937 rng(99);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    io::PageContent page;
    for (int i = 0; i < 300; ++i) {
        const Vec2 start(1400.0f * unit(rng) - 250.0f, 1400.0f * unit(rng) - 250.0f);
        const int points = i % 5 == 0 ? 1 : 2 + static_cast<int>(30.0f * unit(rng));
        const float step = i % 7 == 0 ? 40.0f : 4.0f;
        std::vector<ControlPoint> pts;
        for (int k = 0; k < points; ++k)
            pts.push_back({start.x + step * k, start.y + step * std::sin(0.3f * k), 2.0f, 1.0f});
        page.strokes.push_back(pts);
    }
    drawing->loadContent(page);

    auto check = [&](const char* step) {
        ASSERT_NO_FATAL_FAILURE(expectViewFindsWhatAWalkFinds(*drawing)) << step;
        std::vector<Stroke*> found;
        for (int q = 0; q < 20; ++q) {
            const Vec2 c(1600.0f * unit(rng) - 350.0f, 1600.0f * unit(rng) - 350.0f);
            const float h = 300.0f * unit(rng) * unit(rng);
            const Rect r(c.x - h, c.y - h, c.x + h, c.y + h);
            std::vector<Stroke*> walked;
            for (Stroke& s : drawing->strokes)
                if (s.bounds.overlaps(r)) walked.push_back(&s);
            strokesInView(*drawing, r, found);
            ASSERT_EQ(found, walked) << step;
        }
    };
    ASSERT_NO_FATAL_FAILURE(check("loaded"));

    for (int round = 0; round < 20; ++round) {
        Vec2 p(900.0f * unit(rng), 900.0f * unit(rng));
        for (int e = 0; e < 10; ++e, p += Vec2(6.0f, 3.0f)) drawing->eraseAt(p.x, p.y, 2.0f);
        ASSERT_NO_FATAL_FAILURE(check("erased"));

        drawing->selection.clear();
        for (Stroke& s : drawing->strokes)
            if (s.pointCount() >= 2 && unit(rng) < 0.05f) drawing->selection.push_back(&s);
        drawing->fitSelectionBox();
        drawing->moveSelection(600.0f * unit(rng) - 300.0f, 600.0f * unit(rng) - 300.0f);
        ASSERT_NO_FATAL_FAILURE(check("moved"));

        const Vec2 t(900.0f * unit(rng), 900.0f * unit(rng));
        drawing->beginDeform(t.x, t.y, 0);
        drawing->deformDrag(t.x, t.y, 15.0f, 10.0f, 1.0f);
        ASSERT_NO_FATAL_FAILURE(check("deforming"));
        drawing->endDeform(0);
        ASSERT_NO_FATAL_FAILURE(check("deformed"));
    }
    drawing->clear();
    ASSERT_NO_FATAL_FAILURE(check("cleared"));
    EXPECT_EQ(drawing->index.root().entries.size(), 0u);
}
